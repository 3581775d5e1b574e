// The user name check against a plain statement of the rule, for any UTF-16 text: a name
// may not end with a full stop, nor hold any of / \ [ ] < > : ; , + = ? anywhere; a name
// doing both is refused for the full stop.

#include "mainwindow/input_form_model.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

const std::wstring kFullStop = L"The username cannot end with a '.' character";
const std::wstring kCharacters = L"The username cannot contain any of the characters /\\[]<>:;,+=?";

bool Forbidden(wchar_t c) {
    switch (c) {
    case L'/':
    case L'\\':
    case L'[':
    case L']':
    case L'<':
    case L'>':
    case L':':
    case L';':
    case L',':
    case L'+':
    case L'=':
    case L'?':
        return true;
    default:
        return false;
    }
}

std::wstring Expected(const std::wstring& name) {
    if (!name.empty() && name[name.size() - 1] == L'.')
        return kFullStop;
    for (wchar_t c : name)
        if (Forbidden(c))
            return kCharacters;
    return L"";
}

} // namespace

// The input is the name's UTF-16 code units, least significant byte first; lone
// surrogates and NULs are names like any other.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring name;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        name.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    if (qb::mainwindow::UserNameRefusal(name) != Expected(name))
        std::abort();
    return 0;
}
