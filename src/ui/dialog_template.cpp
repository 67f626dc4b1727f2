#include "ui/dialog_template.h"

#include <cstring>

// Layout of the extended template's fixed header, read field by field so that
// no structure packing is assumed:
//   WORD dlgVer, WORD signature, DWORD helpID, DWORD exStyle, DWORD style,
//   WORD cDlgItems, short x, y, cx, cy,
// then menu, window class and title (each a null word, 0xFFFF + ordinal, or a
// UTF-16 string), then, with DS_SETFONT, WORD pointsize, WORD weight,
// BYTE italic, BYTE charset and the UTF-16 typeface. Items start DWORD-aligned.
namespace {

constexpr size_t kStyleOffset = 12;
constexpr size_t kFixedHeaderSize = 26;

WORD WordAt(const std::vector<BYTE>& bytes, size_t offset)
{
    WORD value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

DWORD DwordAt(const std::vector<BYTE>& bytes, size_t offset)
{
    DWORD value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// Offset just past a menu, class or title field; 0 when it runs off the end.
size_t SkipStringOrOrdinal(const std::vector<BYTE>& bytes, size_t offset)
{
    if (offset + sizeof(WORD) > bytes.size())
        return 0;
    WORD first = WordAt(bytes, offset);
    if (first == 0x0000)
        return offset + sizeof(WORD);
    if (first == 0xFFFF)
        return offset + 2 * sizeof(WORD) <= bytes.size() ? offset + 2 * sizeof(WORD) : 0;
    while (offset + sizeof(WORD) <= bytes.size()) {
        if (WordAt(bytes, offset) == 0)
            return offset + sizeof(WORD);
        offset += sizeof(WORD);
    }
    return 0;
}

size_t AlignToDword(size_t offset)
{
    return (offset + 3) & ~static_cast<size_t>(3);
}

// Where the font block begins; 0 when the template has none or is malformed.
size_t FontOffset(const std::vector<BYTE>& bytes)
{
    if (!IsExtendedDialogTemplate(bytes))
        return 0;
    DWORD style = DwordAt(bytes, kStyleOffset);
    if (!(style & DS_SETFONT))
        return 0;
    size_t offset = kFixedHeaderSize;
    for (int field = 0; field < 3 && offset != 0; ++field)
        offset = SkipStringOrOrdinal(bytes, offset);
    return offset;
}

} // namespace

std::vector<BYTE> LoadDialogTemplate(HINSTANCE instance, UINT templateId)
{
    HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (!resource)
        return {};
    HGLOBAL loaded = LoadResource(instance, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    DWORD size = SizeofResource(instance, resource);
    if (!data || size == 0)
        return {};
    const BYTE* begin = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(begin, begin + size);
}

bool IsExtendedDialogTemplate(const std::vector<BYTE>& dialogTemplate)
{
    return dialogTemplate.size() >= kFixedHeaderSize && WordAt(dialogTemplate, 0) == 1 &&
           WordAt(dialogTemplate, 2) == 0xFFFF;
}

bool ReadDialogFont(const std::vector<BYTE>& dialogTemplate, DialogFont& font)
{
    size_t offset = FontOffset(dialogTemplate);
    if (offset == 0 || offset + 6 > dialogTemplate.size())
        return false;
    font.points = WordAt(dialogTemplate, offset);
    font.weight = WordAt(dialogTemplate, offset + 2);
    font.italic = dialogTemplate[offset + 4];
    font.charset = dialogTemplate[offset + 5];
    std::wstring face;
    for (size_t at = offset + 6; at + sizeof(WORD) <= dialogTemplate.size(); at += sizeof(WORD)) {
        WORD unit = WordAt(dialogTemplate, at);
        if (unit == 0)
            break;
        face.push_back(static_cast<wchar_t>(unit));
    }
    font.typeface.clear();
    if (!face.empty()) {
        int length = WideCharToMultiByte(CP_ACP, 0, face.c_str(), static_cast<int>(face.size()), nullptr, 0,
                                         nullptr, nullptr);
        font.typeface.resize(length);
        WideCharToMultiByte(CP_ACP, 0, face.c_str(), static_cast<int>(face.size()), &font.typeface[0], length,
                            nullptr, nullptr);
    }
    return true;
}

std::vector<BYTE> ReplaceDialogFont(const std::vector<BYTE>& dialogTemplate, const DialogFont& font)
{
    size_t fontOffset = FontOffset(dialogTemplate);
    if (fontOffset == 0 || fontOffset + 6 > dialogTemplate.size())
        return dialogTemplate;
    size_t faceEnd = SkipStringOrOrdinal(dialogTemplate, fontOffset + 6);
    if (faceEnd == 0)
        return dialogTemplate;
    size_t itemsOffset = AlignToDword(faceEnd);
    if (itemsOffset > dialogTemplate.size())
        itemsOffset = dialogTemplate.size();

    std::vector<BYTE> result(dialogTemplate.begin(), dialogTemplate.begin() + fontOffset);
    auto appendWord = [&result](WORD value) {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
        result.insert(result.end(), bytes, bytes + sizeof value);
    };
    appendWord(font.points);
    appendWord(font.weight);
    result.push_back(font.italic);
    result.push_back(font.charset);
    int units = MultiByteToWideChar(CP_ACP, 0, font.typeface.c_str(), -1, nullptr, 0);
    std::wstring face(units > 0 ? units : 1, L'\0');
    if (units > 0)
        MultiByteToWideChar(CP_ACP, 0, font.typeface.c_str(), -1, &face[0], units);
    for (wchar_t unit : face) // includes the terminating null
        appendWord(static_cast<WORD>(unit));
    result.resize(AlignToDword(result.size()), 0);
    result.insert(result.end(), dialogTemplate.begin() + itemsOffset, dialogTemplate.end());
    return result;
}

void AddDialogStyle(std::vector<BYTE>& dialogTemplate, DWORD style)
{
    if (!IsExtendedDialogTemplate(dialogTemplate))
        return;
    DWORD current = DwordAt(dialogTemplate, kStyleOffset) | style;
    std::memcpy(dialogTemplate.data() + kStyleOffset, &current, sizeof current);
}
