#include "platform/Text.h"

#include <QString>

namespace movarin {

std::u16string ToWide(std::string_view narrow)
{
    return QString::fromUtf8(narrow.data(), qsizetype(narrow.size())).toStdU16String();
}

std::string ToNarrow(std::u16string_view wide)
{
    const QString s = QString::fromUtf16(wide.data(), qsizetype(wide.size()));
    return s.toUtf8().toStdString();
}

} // namespace movarin
