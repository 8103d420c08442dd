// The operator's texts as the product defines them, in the string types the suites
// compare, so that no test retypes a message.
#pragma once

#include "ui/messages.h"

#include <string>
#include <string_view>

namespace rfprog::test {

inline std::u16string messageText(Message id) {
    return messageEntry(id).text;
}

// UTF-16 text as wchar_t, which holds UTF-16 on Windows; the texts are all in the BMP.
inline std::wstring wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

} // namespace rfprog::test
