#include "remove/registry_key.h"
#include "remove/registry_values.h"
#include "support/windows_error.h"
#include "testkit/registry_setup.h"
#include "testkit/scratch.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

enum class Outcome { Text, Empty, WrongType, WindowsError };

struct ReadCase {
    const char* name;
    DWORD storedType;
    std::string storedBytes;
    bool expand; // read with the REG_EXPAND_SZ reader
    Outcome outcome;
    std::string text;
};

Outcome Read(HKEY root, const std::string& subkey, bool expand, std::string& text)
{
    try {
        text = expand ? Windows::ReadRegistryExpandStringAt(root, subkey, "v")
                      : Windows::ReadRegistryStringAt(root, subkey, "v");
        return Outcome::Text;
    } catch (const Windows::RegistryValueIsEmpty&) {
        return Outcome::Empty;
    } catch (const Windows::WrongRegistryType&) {
        return Outcome::WrongType;
    } catch (const Windows::Error&) {
        return Outcome::WindowsError;
    }
}

} // namespace

TEST(RegistryValues, StringReadersCheckSizeBeforeTypeAndDropOneTerminator)
{
    using namespace std::string_literals;
    const ReadCase cases[] = {
        {"text with terminator", REG_SZ, "abc\0"s, false, Outcome::Text, "abc"},
        {"text without terminator", REG_SZ, "abc"s, false, Outcome::Text, "abc"},
        {"only the terminator is an empty text", REG_SZ, "\0"s, false, Outcome::Text, ""},
        {"only one of two terminators is dropped", REG_SZ, "ab\0\0"s, false, Outcome::Text, "ab\0"s},
        {"zero bytes", REG_SZ, ""s, false, Outcome::Empty, ""},
        {"zero bytes of another type: empty wins", REG_DWORD, ""s, false, Outcome::Empty, ""},
        {"a number", REG_DWORD, "\1\0\0\0"s, false, Outcome::WrongType, ""},
        {"expandable text to the plain reader", REG_EXPAND_SZ, "%TEMP%\0"s, false, Outcome::WrongType, ""},
        {"expandable text comes back unexpanded", REG_EXPAND_SZ, "%TEMP%\0"s, true, Outcome::Text, "%TEMP%"},
        {"plain text to the expandable reader", REG_SZ, "abc\0"s, true, Outcome::WrongType, ""},
    };
    ScratchRegistryKey scratch;
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetTestValue(HKEY_CURRENT_USER, scratch.SubkeyPath(), "v", c.storedType, c.storedBytes);
        std::string text;
        EXPECT_EQ(Read(HKEY_CURRENT_USER, scratch.SubkeyPath(), c.expand, text), c.outcome);
        if (c.outcome == Outcome::Text) {
            EXPECT_EQ(text, c.text);
        }
    }
    std::string text;
    EXPECT_EQ(Read(HKEY_CURRENT_USER, scratch / "missing", false, text), Outcome::WindowsError);
}

TEST(RegistryValues, ValueExistsForAnyTypeAndSizeButNotForAMissingValueOrKey)
{
    ScratchRegistryKey scratch;
    SetTestValue(HKEY_CURRENT_USER, scratch.SubkeyPath(), "empty", REG_BINARY, "");
    SetTestValue(HKEY_CURRENT_USER, scratch.SubkeyPath(), "big", REG_BINARY, std::string(5000, 'x'));
    EXPECT_TRUE(Windows::RegistryValueExists(HKEY_CURRENT_USER, scratch.SubkeyPath(), "empty"));
    EXPECT_TRUE(Windows::RegistryValueExists(HKEY_CURRENT_USER, scratch.SubkeyPath(), "big"));
    EXPECT_FALSE(Windows::RegistryValueExists(HKEY_CURRENT_USER, scratch.SubkeyPath(), "absent"));
    EXPECT_FALSE(Windows::RegistryValueExists(HKEY_CURRENT_USER, scratch / "missing", "big"));
}

TEST(RegistryValues, TryReadExpandsEnvironmentReferencesAndAnswersNothingOtherwise)
{
    ScratchRegistryKey scratch;
    ASSERT_TRUE(SetEnvironmentVariableA("ZEM_TEST_FOLDER", "C:\\Suite Root"));
    SetTestString(HKEY_CURRENT_USER, scratch.SubkeyPath(), "expand", "%ZEM_TEST_FOLDER%\\bin", REG_EXPAND_SZ);
    SetTestString(HKEY_CURRENT_USER, scratch.SubkeyPath(), "plain", "%ZEM_TEST_FOLDER%\\bin");
    SetTestValue(HKEY_CURRENT_USER, scratch.SubkeyPath(), "number", REG_DWORD, std::string(4, '\1'));
    SetTestValue(HKEY_CURRENT_USER, scratch.SubkeyPath(), "nothing", REG_SZ, "");

    EXPECT_EQ(Windows::TryReadRegistryString(HKEY_CURRENT_USER, scratch.SubkeyPath(), "expand"),
              std::optional<std::string>("C:\\Suite Root\\bin"));
    EXPECT_EQ(Windows::TryReadRegistryString(HKEY_CURRENT_USER, scratch.SubkeyPath(), "plain"),
              std::optional<std::string>("%ZEM_TEST_FOLDER%\\bin"));
    for (const char* absent : {"number", "nothing", "missing"})
        EXPECT_EQ(Windows::TryReadRegistryString(HKEY_CURRENT_USER, scratch.SubkeyPath(), absent), std::nullopt)
            << absent;
    EXPECT_EQ(Windows::TryReadRegistryString(HKEY_CURRENT_USER, scratch / "missing", "plain"), std::nullopt);
}

TEST(RegistryValues, ExpandingLongTextIsNotCut)
{
    std::string value(3000, 'v');
    ASSERT_TRUE(SetEnvironmentVariableA("ZEM_TEST_LONG", value.c_str()));
    EXPECT_EQ(Windows::ExpandEnvironmentText("<%ZEM_TEST_LONG%>"), "<" + value + ">");
    EXPECT_EQ(Windows::ExpandEnvironmentText(""), "");
}

TEST(RegistryValues, FindSubkeysMatchesTheWholeTextExactlyInEnumerationOrder)
{
    ScratchRegistryKey scratch;
    struct Entry {
        const char* key;
        DWORD type;
        const char* name;
    } entries[] = {
        {"a_exact", REG_SZ, "Varnek Client"},
        {"b_case", REG_SZ, "varnek client"},
        {"c_blank", REG_SZ, "Varnek Client "},
        {"d_longer", REG_SZ, "Varnek Client Helper"},
        {"e_shorter", REG_SZ, "Varnek Clien"},
        {"f_expand", REG_EXPAND_SZ, "Varnek Client"},
        {"g_exact_again", REG_SZ, "Varnek Client"},
    };
    for (const Entry& e : entries)
        SetTestString(HKEY_CURRENT_USER, scratch / e.key, "DisplayName", e.name, e.type);
    CreateTestKey(HKEY_CURRENT_USER, scratch / "h_no_value");

    EXPECT_EQ(Windows::FindSubkeysWithValue(HKEY_CURRENT_USER, scratch.SubkeyPath(), "DisplayName", "Varnek Client"),
              (std::vector<std::string>{"a_exact", "g_exact_again"}));
    EXPECT_TRUE(Windows::FindSubkeysWithValue(HKEY_CURRENT_USER, scratch / "missing", "DisplayName", "Varnek Client")
                    .empty());
}
