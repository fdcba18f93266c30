#pragma once
// The status line in the interface's language. The run composes its
// progress line from the Japanese pieces of jobs/Progress; they are put
// together again here through the translation, numbers unchanged. Any
// other status text is shown as it comes.
#include <QString>

#include <string>

namespace movarin {

QString ShownStatus(const std::string& text);

} // namespace movarin
