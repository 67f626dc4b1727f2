#include "products/recipe_product.h"

#include "remove/file_removal.h"
#include "remove/file_version.h"
#include "remove/known_folders.h"
#include "remove/lookups.h"
#include "remove/uninstaller_runner.h"
#include "support/file_access.h"
#include "support/exceptions.h"
#include "support/file_errors.h"

using Remove::LineEnd;

const char* const kInstallShieldResponse = "[InstallShield Silent]\r\n"
                                           "Version=v7.00\r\n"
                                           "File=Response File\r\n"
                                           "[File Transfer]\r\n"
                                           "OverwrittenReadOnly=NoToAll\r\n";

RecipeProduct::RecipeProduct(Remove::Log* log, const char* defaultName, std::vector<std::string> editionCandidates)
    : ZEMProduct(log), defaultName_(defaultName), editionCandidates_(std::move(editionCandidates))
{
}

std::string RecipeProduct::Name() const
{
    return ProductName();
}

void RecipeProduct::ProbeEdition()
{
    if (productName_ || editionCandidates_.empty())
        return;
    OptionalString found = Remove::FindInstalledName(editionCandidates_);
    productName_ = found ? *found : editionCandidates_.front();
    Out() << "Setting product name to \"" << *productName_ << "\"" << LineEnd;
}

OptionalString ProgramFilesPath(const char* suffix)
{
    OptionalString folder = Windows::ProgramFilesFolder();
    if (!folder)
        return std::nullopt;
    return *folder + suffix;
}

void RecipeProduct::ChooseDefaultFolder(const char* suffix)
{
    if (defaultFolder_)
        return;
    defaultFolder_ = ProgramFilesPath(suffix);
    if (!defaultFolder_) {
        Out() << "Cannot determine default install directory (old operating system?)." << LineEnd;
        return;
    }
    Out() << "Setting default path to \"" << *defaultFolder_ << "\"" << LineEnd;
}

bool RecipeProduct::ResolveInstallFolder(const std::string& displayName, HKEY fallbackRoot,
                                         const std::string& fallbackKey, const char* fallbackValue)
{
    installFolder_ = NonEmptyFolder(Remove::FindInstallLocation(displayName, Out()));
    if (!installFolder_ && fallbackValue)
        installFolder_ =
            NonEmptyFolder(Remove::FindInstallLocationInKey(fallbackRoot, fallbackKey, fallbackValue, Out()));
    if (!installFolder_ && defaultFolder_) {
        installFolder_ = defaultFolder_;
        Out() << "Actual install directory could not be determined, using default directory \"" << *defaultFolder_
              << "\"" << LineEnd;
    }
    if (!installFolder_) {
        Out() << "Failed to determine the installation directory." << LineEnd;
        return false;
    }
    return Remove::CheckFile(*installFolder_, Out());
}

bool RecipeProduct::ResolveInstallFolder(const std::string& displayName)
{
    return ResolveInstallFolder(displayName, nullptr, std::string(), nullptr);
}

bool RecipeProduct::ResolveVersion(const std::string& displayName, const char* mainExecutable)
{
    version_ = Remove::FindDisplayVersion(displayName, Out());
    if (!version_ && installFolder_ && mainExecutable)
        version_ = Remove::ReadFileVersion(*installFolder_ + "\\" + mainExecutable, Out());
    return version_.has_value();
}

bool RecipeProduct::IsInstallerProductPresent(const std::string& productName)
{
    return Remove::IsInstallerProductPresent(productName, Out());
}

bool RecipeProduct::IsUninstallEntryPresent(const std::string& productName)
{
    return Remove::IsUninstallEntryPresent(productName, Out());
}

bool RecipeProduct::RegistrationRemains(const std::string& productName)
{
    // The installer registration is only asked about when no Uninstall entry is left.
    return IsUninstallEntryPresent(productName) || IsInstallerProductPresent(productName);
}

void RecipeProduct::StandardUninstall(const std::string& suffix)
{
    OptionalString uninstallString = Remove::FindUninstallString(ProductName(), Out());
    if (!uninstallString)
        return;
    Remove::RunUninstaller(*uninstallString + suffix, ProductName(), Out());
    if (RegistrationRemains(ProductName()))
        Out() << "Uinstaller appears unsuccessful.  Attempting to manually uninstall..." << LineEnd;
}

bool RecipeProduct::SilentInstallShieldUninstall()
{
    OptionalString uninstallString = Remove::FindUninstallString(ProductName(), Out());
    if (!uninstallString)
        return true;

    TemporaryFile responseFile;
    std::string command;
    if (uninstallString->find("MsiExec") != std::string::npos) {
        command = WithInstallerRemoveSwitch(*uninstallString) + " /qn";
    } else {
        if (!WriteResponseFile(responseFile.Path(), kInstallShieldResponse))
            return false;
        command = *uninstallString + " -s --uninstallsilent -f1\"" + responseFile.Path() + "\"";
    }
    Remove::RunUninstaller(command, ProductName(), Out());
    if (RegistrationRemains(ProductName()))
        Out() << "Uinstaller appears unsuccessful.  Attempting to manually uninstall..." << LineEnd;
    return true;
}

bool RecipeProduct::WriteResponseFile(const std::string& path, const std::string& content)
{
    Out() << "Creating install shield response file...";
    return WriteResponseBody(path, content);
}

bool RecipeProduct::WriteResponseBody(const std::string& path, const std::string& content)
{
    try {
        Windows::UniqueFileHandle file = OpenFile(path, FileOpenMode::Create);
        WriteToFile(file.get(), content, path);
        if (!FlushFileBuffers(file.get()))
            ThrowFileError(FileOperation::Flush, GetLastError(), path);
        CloseFile(file, path);
        Out() << "done" << LineEnd;
        return true;
    } catch (...) {
        Out() << DescribeCurrentException() << LineEnd;
        return false;
    }
}

OptionalString NonEmptyFolder(OptionalString folder)
{
    if (folder && folder->empty())
        return std::nullopt;
    return folder;
}

std::string WithInstallerRemoveSwitch(const std::string& uninstallString)
{
    std::string command = uninstallString;
    size_t brace = command.find('{');
    if (brace != std::string::npos && brace >= 2 && command[brace - 2] == '/' &&
        (command[brace - 1] == 'I' || command[brace - 1] == 'i'))
        command[brace - 1] = 'X';
    return command;
}

TemporaryFile::TemporaryFile()
{
    char folder[MAX_PATH + 1] = {};
    DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length > MAX_PATH)
        return;
    CreateDirectoryA(folder, nullptr);
    char name[MAX_PATH + 1] = {};
    // Unique number 0: the system picks a new name and creates the empty file.
    if (GetTempFileNameA(folder, "varnek", 0, name) != 0)
        path_ = name;
}

TemporaryFile::~TemporaryFile()
{
    Delete();
}

void TemporaryFile::Delete()
{
    if (path_.empty())
        return;
    DWORD attributes = GetFileAttributesA(path_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path_.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    DeleteFileA(path_.c_str());
    path_.clear();
}
