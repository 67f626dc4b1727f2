/*
 * A stand-in for the Windows ODBC installer library, for the tests only.
 *
 * Under Wine the data sources the tests use live in the host driver manager's
 * odbc.ini (the folder named by ODBCSYSINI), while Wine's own installer
 * library works on registry keys nobody reads and answers TRUE for any name.
 * scripts/prepare-prefix.sh puts it where the program loads it from, the test
 * prefix's system directory, and it removes a data source from that odbc.ini
 * as the Windows library removes it from its registry: the data source's
 * section and its line under [ODBC Data Sources]. It answers FALSE when the
 * data source is not there.
 */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Shared with the tests' own edits of the same file. */
#define INI_MUTEX_NAME "ZEMTestOdbcIniLock"

static BOOL ini_path(char *path, DWORD size)
{
    char folder[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("ODBCSYSINI", folder, sizeof folder);
    if (length == 0 || length >= sizeof folder)
        return FALSE;
    if (snprintf(path, size, "Z:%s/odbc.ini", folder) >= (int)size)
        return FALSE;
    for (char *cursor = path; *cursor; ++cursor)
        if (*cursor == '/')
            *cursor = '\\';
    return TRUE;
}

static char *read_all(const char *path, long *size)
{
    FILE *file = fopen(path, "rb");
    if (!file)
        return NULL;
    fseek(file, 0, SEEK_END);
    *size = ftell(file);
    fseek(file, 0, SEEK_SET);
    char *text = malloc((size_t)*size + 1);
    if (text && fread(text, 1, (size_t)*size, file) != (size_t)*size) {
        free(text);
        text = NULL;
    }
    if (text)
        text[*size] = '\0';
    fclose(file);
    return text;
}

/* "[name]" on a line of its own, compared without regard to case. */
static int is_section(const char *line, size_t length, const char *name)
{
    size_t name_length = strlen(name);
    return length == name_length + 2 && line[0] == '[' && line[length - 1] == ']' &&
           _strnicmp(line + 1, name, name_length) == 0;
}

/* "name = ..." with the key compared without regard to case. */
static int is_entry(const char *line, size_t length, const char *name)
{
    size_t name_length = strlen(name);
    if (length <= name_length || _strnicmp(line, name, name_length) != 0)
        return 0;
    const char *rest = line + name_length;
    while (*rest == ' ' || *rest == '\t')
        ++rest;
    return *rest == '=';
}

static BOOL remove_data_source(const char *path, const char *name)
{
    long size = 0;
    char *text = read_all(path, &size);
    if (!text)
        return FALSE;
    char *kept = malloc((size_t)size + 1);
    size_t used = 0;
    int found = 0, in_removed = 0, in_sources = 0;
    for (char *line = text; *line;) {
        size_t full = strcspn(line, "\n");
        size_t length = full;
        while (length > 0 && (line[length - 1] == '\r' || line[length - 1] == ' '))
            --length;
        int drop = 0;
        if (length > 0 && line[0] == '[') {
            in_removed = is_section(line, length, name);
            in_sources = is_section(line, length, "ODBC Data Sources");
            found |= in_removed;
        }
        if (in_removed)
            drop = 1;
        else if (in_sources && is_entry(line, length, name))
            drop = 1;
        size_t step = full + (line[full] == '\n' ? 1 : 0);
        if (!drop) {
            memcpy(kept + used, line, step);
            used += step;
        }
        line += step;
    }
    BOOL written = TRUE;
    if (found) {
        FILE *file = fopen(path, "wb");
        written = file != NULL && fwrite(kept, 1, used, file) == used;
        if (file)
            written = (fclose(file) == 0) && written;
    }
    free(kept);
    free(text);
    return found && written;
}

BOOL WINAPI SQLRemoveDSNFromIni(LPCSTR name)
{
    char path[MAX_PATH];
    if (!name || !*name || strlen(name) > 32 || strpbrk(name, "[]{}(),;?*=!@\\"))
        return FALSE;
    if (!ini_path(path, sizeof path))
        return FALSE;
    HANDLE lock = CreateMutexA(NULL, FALSE, INI_MUTEX_NAME);
    if (!lock)
        return FALSE;
    BOOL removed = FALSE;
    if (WaitForSingleObject(lock, 10000) == WAIT_OBJECT_0) {
        removed = remove_data_source(path, name);
        ReleaseMutex(lock);
    }
    CloseHandle(lock);
    return removed;
}
