#pragma once
// Every notice and question reaches the user through this interface, so that
// tests can answer the boxes and record what was shown.
#include <string>

namespace movarin {

enum class BoxButtons { Ok, YesNo };
enum class BoxIcon { None, Error };
enum class BoxAnswer { Ok, Yes, No };

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // Modal: returns when the user has answered. Texts are UTF-8.
    virtual BoxAnswer Show(const std::string& title, const std::string& text,
                           BoxButtons buttons, BoxIcon icon) = 0;
};

} // namespace movarin
