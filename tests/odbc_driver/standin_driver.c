/*
 * A stand-in "SQL Server" ODBC driver for the host's driver manager.
 *
 * The removal tool's database recipe only ever sends a handful of statements
 * (use <db>, the sysdatabases existence query, select Version from DBINFO,
 * drop database <name>). This driver answers them the way the server would,
 * from a small state file the tests write:
 *
 *   database<TAB>name                 a database that exists
 *   dbinfo<TAB>db                     db has a DBINFO table (rows below)
 *   version<TAB>db<TAB>text           one row of db's DBINFO table
 *   journal<TAB>path                  append every call the driver sees to path
 *   fail<TAB>where<TAB>state<TAB>native<TAB>message
 *                                     fail `where` with this record (lines add up)
 *   info<TAB>where<TAB>state<TAB>native<TAB>message
 *                                     succeed with information after the work
 *   nodata<TAB>where                  answer SQL_NO_DATA without doing anything
 *   return<TAB>where<TAB>code         answer this raw return code
 *
 * `where` is "connect", "exec:<statement>", "exec:*", "fetch:<statement>" or
 * "fetch:*", "alloc" (allocating a statement). The state file is named by the
 * connection string's StateFile= attribute; without one (the product's own
 * connection string) it is the host path in ZEM_STANDIN_STATE (a demo
 * machine's own server, kept in its prefix), or else "standin-default.state"
 * in the ODBCSYSINI folder, which tests take turns to use. It is read again
 * for every connect and statement, and "drop database" rewrites it.
 */
#include <ctype.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <sql.h>
#include <sqlext.h>

#define EXPORT __attribute__((visibility("default")))

enum { MAX_RECORDS = 16, MAX_LINES = 256, TEXT_MAX = 1024, MAX_ROWS = 64 };

struct record {
    char state[6];
    SQLINTEGER native;
    char message[TEXT_MAX];
};

struct diagnostics {
    int count;
    int returned; /* records already handed out through SQLError */
    struct record records[MAX_RECORDS];
};

enum handle_kind { KIND_ENV = 1, KIND_DBC = 2, KIND_STMT = 3 };

struct env {
    int kind;
    struct diagnostics diag;
    SQLINTEGER odbc_version;
};

struct dbc {
    int kind;
    struct diagnostics diag;
    struct env *env;
    int connected;
    SQLULEN login_timeout;
    char state_file[TEXT_MAX];
    char database[256];
};

struct column_binding {
    SQLSMALLINT type;
    SQLPOINTER target;
    SQLLEN length;
    SQLLEN *indicator;
};

struct parameter_binding {
    SQLPOINTER value;
    SQLLEN *indicator;
};

struct stmt {
    int kind;
    struct diagnostics diag;
    struct dbc *dbc;
    struct column_binding column;
    struct parameter_binding parameter;
    char statement[TEXT_MAX];
    int has_result;
    int result_is_text;
    int row_count;
    int next_row;
    char rows[MAX_ROWS][TEXT_MAX];
};

struct state {
    int count;
    char *lines[MAX_LINES];
};

/* ---- small text helpers ------------------------------------------------ */

static void copy_text(char *target, size_t size, const char *source)
{
    size_t length = strlen(source);
    if (size == 0)
        return;
    if (length >= size)
        length = size - 1;
    memmove(target, source, length);
    target[length] = '\0';
}

/* Lower case, runs of blanks collapsed, ends trimmed: how statements compare. */
static void normalise(char *target, size_t size, const char *source)
{
    size_t used = 0;
    int blank = 0;
    while (*source && isspace((unsigned char)*source))
        ++source;
    for (; *source && used + 1 < size; ++source) {
        if (isspace((unsigned char)*source)) {
            blank = 1;
            continue;
        }
        if (blank && used + 2 < size)
            target[used++] = ' ';
        blank = 0;
        target[used++] = (char)tolower((unsigned char)*source);
    }
    target[used] = '\0';
}

static int starts_with(const char *text, const char *prefix)
{
    return strncmp(text, prefix, strlen(prefix)) == 0;
}

/* ---- state file ---------------------------------------------------------- */

static void free_state(struct state *state)
{
    for (int i = 0; i < state->count; ++i)
        free(state->lines[i]);
    state->count = 0;
}

static void read_state(const char *path, struct state *state)
{
    char line[4 * TEXT_MAX];
    state->count = 0;
    if (!path || !*path)
        return;
    FILE *file = fopen(path, "r");
    if (!file)
        return;
    while (state->count < MAX_LINES && fgets(line, sizeof line, file)) {
        line[strcspn(line, "\r\n")] = '\0';
        if (*line)
            state->lines[state->count++] = strdup(line);
    }
    fclose(file);
}

/* Splits a copy of line at tabs; answers the number of fields. */
static int split(const char *line, char *buffer, size_t size, char **fields, int max)
{
    int count = 0;
    copy_text(buffer, size, line);
    char *cursor = buffer;
    while (count < max) {
        fields[count++] = cursor;
        char *tab = strchr(cursor, '\t');
        if (!tab)
            break;
        *tab = '\0';
        cursor = tab + 1;
    }
    return count;
}

static int state_has(const struct state *state, const char *kind, const char *name)
{
    char buffer[4 * TEXT_MAX];
    char *fields[5];
    for (int i = 0; i < state->count; ++i) {
        int count = split(state->lines[i], buffer, sizeof buffer, fields, 5);
        if (count >= 2 && strcmp(fields[0], kind) == 0 && strcasecmp(fields[1], name) == 0)
            return 1;
    }
    return 0;
}

static void journal(const char *state_file, const char *format, ...)
{
    struct state state;
    char buffer[4 * TEXT_MAX];
    char *fields[5];
    read_state(state_file, &state);
    for (int i = 0; i < state.count; ++i) {
        int count = split(state.lines[i], buffer, sizeof buffer, fields, 5);
        if (count == 2 && strcmp(fields[0], "journal") == 0) {
            FILE *file = fopen(fields[1], "a");
            if (file) {
                va_list arguments;
                va_start(arguments, format);
                vfprintf(file, format, arguments);
                va_end(arguments);
                fputc('\n', file);
                fclose(file);
            }
        }
    }
    free_state(&state);
}

/* ---- diagnostics --------------------------------------------------------- */

static void clear_diag(struct diagnostics *diag)
{
    diag->count = 0;
    diag->returned = 0;
}

static void add_record(struct diagnostics *diag, const char *state, SQLINTEGER native, const char *message)
{
    if (diag->count >= MAX_RECORDS)
        return;
    struct record *record = &diag->records[diag->count++];
    copy_text(record->state, sizeof record->state, state);
    record->native = native;
    copy_text(record->message, sizeof record->message, message);
}

static void add_server_error(struct stmt *stmt, const char *state2, const char *state3, SQLINTEGER native,
                             const char *format, ...)
{
    char text[TEXT_MAX];
    char message[TEXT_MAX + 64];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    snprintf(message, sizeof message, "[ZEM stand-in][SQL Server]%s", text);
    int odbc2 = stmt->dbc->env->odbc_version == SQL_OV_ODBC2;
    add_record(&stmt->diag, odbc2 ? state2 : state3, native, message);
}

static int matches_where(const char *where, const char *event, const char *statement)
{
    char wanted[TEXT_MAX];
    size_t length = strlen(event);
    if (strncmp(where, event, length) != 0)
        return 0;
    if (where[length] == '\0')
        return statement == NULL;
    if (where[length] != ':' || statement == NULL)
        return 0;
    if (strcmp(where + length + 1, "*") == 0)
        return 1;
    normalise(wanted, sizeof wanted, where + length + 1);
    return strcmp(wanted, statement) == 0;
}

enum outcome { GO_ON, STOP };

/*
 * Applies the state's scripted answers for an event before any work is done.
 * Answers STOP with *result set when the script decides the call's result;
 * otherwise *info tells whether information records follow the work.
 */
static enum outcome scripted(const char *state_file, const char *event, const char *statement,
                             struct diagnostics *diag, SQLRETURN *result, int *info)
{
    struct state state;
    char buffer[4 * TEXT_MAX];
    char *fields[5];
    int failed = 0;
    enum outcome outcome = GO_ON;
    *info = 0;
    read_state(state_file, &state);
    for (int i = 0; i < state.count && outcome == GO_ON; ++i) {
        int count = split(state.lines[i], buffer, sizeof buffer, fields, 5);
        if (count < 2 || !matches_where(fields[1], event, statement))
            continue;
        if (strcmp(fields[0], "fail") == 0 && count == 5) {
            add_record(diag, fields[2], (SQLINTEGER)strtol(fields[3], NULL, 10), fields[4]);
            failed = 1;
        } else if (strcmp(fields[0], "nodata") == 0) {
            *result = SQL_NO_DATA;
            outcome = STOP;
        } else if (strcmp(fields[0], "return") == 0 && count == 3) {
            *result = (SQLRETURN)strtol(fields[2], NULL, 10);
            outcome = STOP;
        } else if (strcmp(fields[0], "info") == 0) {
            *info = 1;
        }
    }
    if (outcome == GO_ON && failed) {
        *result = SQL_ERROR;
        outcome = STOP;
    }
    free_state(&state);
    return outcome;
}

/* Adds the scripted information records of an event that has done its work. */
static SQLRETURN with_information(const char *state_file, const char *event, const char *statement,
                                  struct diagnostics *diag, SQLRETURN result)
{
    struct state state;
    char buffer[4 * TEXT_MAX];
    char *fields[5];
    if (!SQL_SUCCEEDED(result))
        return result;
    read_state(state_file, &state);
    for (int i = 0; i < state.count; ++i) {
        int count = split(state.lines[i], buffer, sizeof buffer, fields, 5);
        if (count == 5 && strcmp(fields[0], "info") == 0 && matches_where(fields[1], event, statement)) {
            add_record(diag, fields[2], (SQLINTEGER)strtol(fields[3], NULL, 10), fields[4]);
            result = SQL_SUCCESS_WITH_INFO;
        }
    }
    free_state(&state);
    return result;
}

static struct diagnostics *diag_of(SQLSMALLINT type, SQLHANDLE handle)
{
    if (!handle)
        return NULL;
    int kind = *(int *)handle;
    if (kind != type)
        return NULL;
    switch (kind) {
    case KIND_ENV: return &((struct env *)handle)->diag;
    case KIND_DBC: return &((struct dbc *)handle)->diag;
    case KIND_STMT: return &((struct stmt *)handle)->diag;
    }
    return NULL;
}

static SQLRETURN put_text(const char *text, SQLCHAR *target, SQLSMALLINT size, SQLSMALLINT *length)
{
    size_t full = strlen(text);
    if (length)
        *length = (SQLSMALLINT)full;
    if (target && size > 0) {
        copy_text((char *)target, (size_t)size, text);
        if (full >= (size_t)size)
            return SQL_SUCCESS_WITH_INFO;
    }
    return SQL_SUCCESS;
}

/* ---- handles ------------------------------------------------------------- */

EXPORT SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE *output)
{
    if (!output)
        return SQL_ERROR;
    *output = SQL_NULL_HANDLE;
    switch (type) {
    case SQL_HANDLE_ENV: {
        struct env *env = calloc(1, sizeof *env);
        env->kind = KIND_ENV;
        env->odbc_version = SQL_OV_ODBC3;
        *output = env;
        return SQL_SUCCESS;
    }
    case SQL_HANDLE_DBC: {
        struct dbc *dbc = calloc(1, sizeof *dbc);
        dbc->kind = KIND_DBC;
        dbc->env = input;
        *output = dbc;
        return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT: {
        struct dbc *dbc = input;
        clear_diag(&dbc->diag);
        if (!dbc->connected) {
            add_record(&dbc->diag, "08003", 0, "[ZEM stand-in]Connection not open");
            return SQL_ERROR;
        }
        SQLRETURN result = SQL_SUCCESS;
        int info;
        if (scripted(dbc->state_file, "alloc", NULL, &dbc->diag, &result, &info) == STOP)
            return result;
        struct stmt *stmt = calloc(1, sizeof *stmt);
        stmt->kind = KIND_STMT;
        stmt->dbc = dbc;
        journal(dbc->state_file, "alloc statement");
        *output = stmt;
        return SQL_SUCCESS;
    }
    }
    return SQL_ERROR;
}

/*
 * The driver manager exports the same names; calls inside the driver go to
 * these static functions so that they can never bind to the manager's.
 */
static SQLRETURN free_handle(SQLSMALLINT type, SQLHANDLE handle)
{
    if (!handle)
        return SQL_INVALID_HANDLE;
    if (type == SQL_HANDLE_STMT)
        journal(((struct stmt *)handle)->dbc->state_file, "free statement");
    if (type == SQL_HANDLE_DBC)
        journal(((struct dbc *)handle)->state_file, "free connection");
    free(handle);
    return SQL_SUCCESS;
}

EXPORT SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle)
{
    return free_handle(type, handle);
}

EXPORT SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT handle, SQLUSMALLINT option)
{
    struct stmt *stmt = handle;
    if (option == SQL_DROP)
        return free_handle(SQL_HANDLE_STMT, handle);
    if (option == SQL_CLOSE)
        stmt->has_result = 0;
    if (option == SQL_UNBIND)
        memset(&stmt->column, 0, sizeof stmt->column);
    if (option == SQL_RESET_PARAMS)
        memset(&stmt->parameter, 0, sizeof stmt->parameter);
    return SQL_SUCCESS;
}

EXPORT SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT handle)
{
    ((struct stmt *)handle)->has_result = 0;
    return SQL_SUCCESS;
}

EXPORT SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length)
{
    (void)length;
    struct env *env = handle;
    if (attribute == SQL_ATTR_ODBC_VERSION)
        env->odbc_version = (SQLINTEGER)(SQLLEN)value;
    return SQL_SUCCESS;
}

EXPORT SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER size,
                                       SQLINTEGER *length)
{
    (void)size;
    struct env *env = handle;
    if (attribute == SQL_ATTR_ODBC_VERSION && value)
        *(SQLINTEGER *)value = env->odbc_version;
    if (length)
        *length = sizeof(SQLINTEGER);
    return SQL_SUCCESS;
}

EXPORT SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length)
{
    (void)length;
    struct dbc *dbc = handle;
    if (attribute == SQL_ATTR_LOGIN_TIMEOUT)
        dbc->login_timeout = (SQLULEN)value;
    return SQL_SUCCESS;
}

EXPORT SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER size,
                                           SQLINTEGER *length)
{
    (void)size;
    struct dbc *dbc = handle;
    if (attribute == SQL_ATTR_LOGIN_TIMEOUT && value)
        *(SQLUINTEGER *)value = (SQLUINTEGER)dbc->login_timeout;
    else if (value)
        *(SQLUINTEGER *)value = 0;
    if (length)
        *length = sizeof(SQLUINTEGER);
    return SQL_SUCCESS;
}

EXPORT SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length)
{
    (void)handle, (void)attribute, (void)value, (void)length;
    return SQL_SUCCESS;
}

/* ---- connections --------------------------------------------------------- */

/* The value of key in a "key=value;..." connection string, or "" */
static void attribute_of(const char *connection, const char *key, char *value, size_t size)
{
    size_t length = strlen(key);
    const char *cursor = connection;
    *value = '\0';
    while (cursor && *cursor) {
        while (*cursor == ';' || *cursor == ' ')
            ++cursor;
        if (strncasecmp(cursor, key, length) == 0 && cursor[length] == '=') {
            const char *start = cursor + length + 1;
            size_t end = strcspn(start, ";");
            if (end >= size)
                end = size - 1;
            memcpy(value, start, end);
            value[end] = '\0';
            return;
        }
        cursor = strchr(cursor, ';');
    }
}

static SQLRETURN connect_with(struct dbc *dbc, const char *connection)
{
    SQLRETURN result = SQL_SUCCESS;
    int info;
    clear_diag(&dbc->diag);
    attribute_of(connection, "StateFile", dbc->state_file, sizeof dbc->state_file);
    if (!*dbc->state_file && getenv("ZEM_STANDIN_STATE"))
        copy_text(dbc->state_file, sizeof dbc->state_file, getenv("ZEM_STANDIN_STATE"));
    if (!*dbc->state_file && getenv("ODBCSYSINI"))
        snprintf(dbc->state_file, sizeof dbc->state_file, "%s/standin-default.state", getenv("ODBCSYSINI"));
    journal(dbc->state_file, "odbc version %d", (int)dbc->env->odbc_version);
    journal(dbc->state_file, "login timeout %lu", (unsigned long)dbc->login_timeout);
    journal(dbc->state_file, "connect %s", connection);
    if (scripted(dbc->state_file, "connect", NULL, &dbc->diag, &result, &info) == STOP)
        return result;
    dbc->connected = 1;
    copy_text(dbc->database, sizeof dbc->database, "master");
    return with_information(dbc->state_file, "connect", NULL, &dbc->diag, SQL_SUCCESS);
}

EXPORT SQLRETURN SQL_API SQLDriverConnect(SQLHDBC handle, SQLHWND window, SQLCHAR *in, SQLSMALLINT in_length,
                                          SQLCHAR *out, SQLSMALLINT out_size, SQLSMALLINT *out_length,
                                          SQLUSMALLINT completion)
{
    (void)window, (void)completion;
    char connection[TEXT_MAX];
    if (in_length == SQL_NTS)
        copy_text(connection, sizeof connection, (const char *)in);
    else {
        size_t length = (size_t)in_length < sizeof connection ? (size_t)in_length : sizeof connection - 1;
        memcpy(connection, in, length);
        connection[length] = '\0';
    }
    SQLRETURN result = connect_with(handle, connection);
    if (SQL_SUCCEEDED(result))
        put_text(connection, out, out_size, out_length);
    return result;
}

EXPORT SQLRETURN SQL_API SQLConnect(SQLHDBC handle, SQLCHAR *dsn, SQLSMALLINT dsn_length, SQLCHAR *user,
                                    SQLSMALLINT user_length, SQLCHAR *password, SQLSMALLINT password_length)
{
    (void)dsn, (void)dsn_length, (void)user, (void)user_length, (void)password, (void)password_length;
    return connect_with(handle, "");
}

EXPORT SQLRETURN SQL_API SQLDisconnect(SQLHDBC handle)
{
    struct dbc *dbc = handle;
    clear_diag(&dbc->diag);
    journal(dbc->state_file, "disconnect");
    dbc->connected = 0;
    return SQL_SUCCESS;
}

EXPORT SQLRETURN SQL_API SQLGetInfo(SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT size,
                                    SQLSMALLINT *length)
{
    struct dbc *dbc = handle;
    const char *text = NULL;
    switch (type) {
    case SQL_DRIVER_ODBC_VER: text = "03.00"; break;
    case SQL_DRIVER_NAME: text = "libzemsqlserver.so"; break;
    case SQL_DRIVER_VER: text = "01.00.0000"; break;
    case SQL_DBMS_NAME: text = "SQL Server"; break;
    case SQL_DBMS_VER: text = "08.00.0000"; break;
    case SQL_SERVER_NAME: text = "localhost"; break;
    case SQL_DATA_SOURCE_NAME: text = ""; break;
    case SQL_DATABASE_NAME: text = dbc->database; break;
    case SQL_USER_NAME: text = "dbo"; break;
    case SQL_CURSOR_COMMIT_BEHAVIOR:
    case SQL_CURSOR_ROLLBACK_BEHAVIOR:
    case SQL_TXN_CAPABLE:
    case SQL_MAX_CONCURRENT_ACTIVITIES:
    case SQL_MAX_DRIVER_CONNECTIONS:
        if (value)
            *(SQLUSMALLINT *)value = 0;
        if (length)
            *length = sizeof(SQLUSMALLINT);
        return SQL_SUCCESS;
    case SQL_GETDATA_EXTENSIONS:
    case SQL_ASYNC_MODE:
        if (value)
            *(SQLUINTEGER *)value = 0;
        if (length)
            *length = sizeof(SQLUINTEGER);
        return SQL_SUCCESS;
    default:
        clear_diag(&dbc->diag);
        add_record(&dbc->diag, "HY096", 0, "[ZEM stand-in]Information type out of range");
        return SQL_ERROR;
    }
    return put_text(text, value, size, length);
}

/* ---- statements ---------------------------------------------------------- */

EXPORT SQLRETURN SQL_API SQLBindParameter(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT io, SQLSMALLINT c_type,
                                          SQLSMALLINT sql_type, SQLULEN size, SQLSMALLINT digits, SQLPOINTER value,
                                          SQLLEN buffer_length, SQLLEN *indicator)
{
    struct stmt *stmt = handle;
    clear_diag(&stmt->diag);
    journal(stmt->dbc->state_file, "bind parameter %u io %d c %d sql %d size %lu digits %d length %ld indicator %s",
            number, io, c_type, sql_type, (unsigned long)size, digits, (long)buffer_length,
            indicator ? "set" : "none");
    if (number != 1 || c_type != SQL_C_CHAR) {
        add_record(&stmt->diag, "HY105", 0, "[ZEM stand-in]Only one text parameter is supported");
        return SQL_ERROR;
    }
    stmt->parameter.value = value;
    stmt->parameter.indicator = indicator;
    return SQL_SUCCESS;
}

EXPORT SQLRETURN SQL_API SQLBindCol(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT type, SQLPOINTER target,
                                    SQLLEN length, SQLLEN *indicator)
{
    struct stmt *stmt = handle;
    clear_diag(&stmt->diag);
    journal(stmt->dbc->state_file, "bind column %u c %d length %ld indicator %s", number, type, (long)length,
            indicator ? "set" : "none");
    if (number != 1) {
        add_record(&stmt->diag, "07009", 0, "[ZEM stand-in]Invalid descriptor index");
        return SQL_ERROR;
    }
    stmt->column.type = type;
    stmt->column.target = target;
    stmt->column.length = length;
    stmt->column.indicator = indicator;
    return SQL_SUCCESS;
}

static void parameter_text(const struct stmt *stmt, char *text, size_t size)
{
    *text = '\0';
    if (!stmt->parameter.value)
        return;
    SQLLEN length = stmt->parameter.indicator ? *stmt->parameter.indicator : SQL_NTS;
    if (length == SQL_NTS)
        copy_text(text, size, stmt->parameter.value);
    else if (length >= 0) {
        size_t count = (size_t)length < size ? (size_t)length : size - 1;
        memcpy(text, stmt->parameter.value, count);
        text[count] = '\0';
    }
}

static void remove_database(const char *state_file, const char *name)
{
    struct state state;
    char buffer[4 * TEXT_MAX];
    char *fields[5];
    read_state(state_file, &state);
    FILE *file = fopen(state_file, "w");
    if (file) {
        for (int i = 0; i < state.count; ++i) {
            int count = split(state.lines[i], buffer, sizeof buffer, fields, 5);
            int owned = count >= 2 &&
                        (strcmp(fields[0], "database") == 0 || strcmp(fields[0], "dbinfo") == 0 ||
                         strcmp(fields[0], "version") == 0) &&
                        strcasecmp(fields[1], name) == 0;
            if (!owned)
                fprintf(file, "%s\n", state.lines[i]);
        }
        fclose(file);
    }
    free_state(&state);
}

/* Runs one normalised statement against the state, as the server would. */
static SQLRETURN run(struct stmt *stmt, const char *statement)
{
    static const char exists_query[] = "select case when exists ( select * from sysdatabases where name = ? ) "
                                       "then 1 else 0 end";
    struct state state;
    char name[TEXT_MAX];
    SQLRETURN result = SQL_SUCCESS;
    struct dbc *dbc = stmt->dbc;
    read_state(dbc->state_file, &state);
    stmt->has_result = 0;
    stmt->row_count = 0;
    stmt->next_row = 0;

    if (starts_with(statement, "use ")) {
        copy_text(name, sizeof name, statement + 4);
        if (strcmp(name, "master") == 0 || state_has(&state, "database", name)) {
            copy_text(dbc->database, sizeof dbc->database, name);
            add_server_error(stmt, "01000", "01000", 5701, "Changed database context to '%s'.", name);
            result = SQL_SUCCESS_WITH_INFO;
        } else {
            add_server_error(stmt, "37000", "42000", 911,
                             "Could not locate entry in sysdatabases for database '%s'. No entry found with that "
                             "name. Make sure that the name is entered correctly.", name);
            result = SQL_ERROR;
        }
    } else if (strcmp(statement, exists_query) == 0) {
        char parameter[TEXT_MAX];
        parameter_text(stmt, parameter, sizeof parameter);
        journal(dbc->state_file, "parameter %s", parameter);
        stmt->has_result = 1;
        stmt->result_is_text = 0;
        stmt->row_count = 1;
        copy_text(stmt->rows[0], TEXT_MAX, state_has(&state, "database", parameter) ? "1" : "0");
    } else if (strcmp(statement, "select version from dbinfo") == 0) {
        if (!state_has(&state, "dbinfo", dbc->database) && !state_has(&state, "version", dbc->database)) {
            add_server_error(stmt, "S0002", "42S02", 208, "Invalid object name 'DBINFO'.");
            result = SQL_ERROR;
        } else {
            char buffer[4 * TEXT_MAX];
            char *fields[5];
            stmt->has_result = 1;
            stmt->result_is_text = 1;
            for (int i = 0; i < state.count && stmt->row_count < MAX_ROWS; ++i) {
                int count = split(state.lines[i], buffer, sizeof buffer, fields, 5);
                if (count == 3 && strcmp(fields[0], "version") == 0 && strcasecmp(fields[1], dbc->database) == 0)
                    copy_text(stmt->rows[stmt->row_count++], TEXT_MAX, fields[2]);
            }
        }
    } else if (starts_with(statement, "drop database ")) {
        copy_text(name, sizeof name, statement + 14);
        if (!state_has(&state, "database", name)) {
            add_server_error(stmt, "37000", "42000", 3701,
                             "Cannot drop the database '%s', because it does not exist or you do not have "
                             "permission.", name);
            result = SQL_ERROR;
        } else if (strcasecmp(dbc->database, name) == 0) {
            add_server_error(stmt, "37000", "42000", 3702,
                             "Cannot drop database \"%s\" because it is currently in use.", name);
            result = SQL_ERROR;
        } else {
            remove_database(dbc->state_file, name);
        }
    } else {
        add_server_error(stmt, "37000", "42000", 156, "Incorrect syntax near '%s'.", statement);
        result = SQL_ERROR;
    }
    free_state(&state);
    return result;
}

EXPORT SQLRETURN SQL_API SQLExecDirect(SQLHSTMT handle, SQLCHAR *text, SQLINTEGER length)
{
    struct stmt *stmt = handle;
    char raw[TEXT_MAX];
    SQLRETURN result = SQL_SUCCESS;
    int info;
    clear_diag(&stmt->diag);
    if (length == SQL_NTS)
        copy_text(raw, sizeof raw, (const char *)text);
    else {
        size_t count = (size_t)length < sizeof raw ? (size_t)length : sizeof raw - 1;
        memcpy(raw, text, count);
        raw[count] = '\0';
    }
    normalise(stmt->statement, sizeof stmt->statement, raw);
    journal(stmt->dbc->state_file, "exec %s", raw);
    if (scripted(stmt->dbc->state_file, "exec", stmt->statement, &stmt->diag, &result, &info) == STOP)
        return result;
    return with_information(stmt->dbc->state_file, "exec", stmt->statement, &stmt->diag, run(stmt, stmt->statement));
}

EXPORT SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT handle, SQLSMALLINT *count)
{
    struct stmt *stmt = handle;
    if (count)
        *count = stmt->has_result ? 1 : 0;
    return SQL_SUCCESS;
}

EXPORT SQLRETURN SQL_API SQLRowCount(SQLHSTMT handle, SQLLEN *count)
{
    struct stmt *stmt = handle;
    if (count)
        *count = stmt->has_result ? stmt->row_count : -1;
    return SQL_SUCCESS;
}

EXPORT SQLRETURN SQL_API SQLMoreResults(SQLHSTMT handle)
{
    ((struct stmt *)handle)->has_result = 0;
    return SQL_NO_DATA;
}

EXPORT SQLRETURN SQL_API SQLFetch(SQLHSTMT handle)
{
    struct stmt *stmt = handle;
    SQLRETURN result = SQL_SUCCESS;
    int info;
    clear_diag(&stmt->diag);
    journal(stmt->dbc->state_file, "fetch");
    if (scripted(stmt->dbc->state_file, "fetch", stmt->statement, &stmt->diag, &result, &info) == STOP)
        return result;
    if (!stmt->has_result) {
        add_record(&stmt->diag, "24000", 0,
                   "[ZEM stand-in]Invalid cursor state");
        return SQL_ERROR;
    }
    if (stmt->next_row >= stmt->row_count)
        return SQL_NO_DATA;
    const char *value = stmt->rows[stmt->next_row++];
    struct column_binding *column = &stmt->column;
    if (column->target) {
        if (column->type == SQL_C_SLONG || column->type == SQL_C_LONG) {
            *(SQLINTEGER *)column->target = (SQLINTEGER)strtol(value, NULL, 10);
            if (column->indicator)
                *column->indicator = sizeof(SQLINTEGER);
        } else if (column->type == SQL_C_CHAR && column->length > 0) {
            size_t full = strlen(value);
            copy_text(column->target, (size_t)column->length, value);
            if (column->indicator)
                *column->indicator = (SQLLEN)full;
            if (full >= (size_t)column->length) {
                add_record(&stmt->diag, "01004", 0, "[ZEM stand-in]String data, right truncated");
                result = SQL_SUCCESS_WITH_INFO;
            }
        }
    }
    return with_information(stmt->dbc->state_file, "fetch", stmt->statement, &stmt->diag, result);
}

/* ---- diagnostics out ----------------------------------------------------- */

static SQLRETURN get_diag_rec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number, SQLCHAR *state,
                              SQLINTEGER *native, SQLCHAR *message, SQLSMALLINT size, SQLSMALLINT *length)
{
    struct diagnostics *diag = diag_of(type, handle);
    if (!diag)
        return SQL_INVALID_HANDLE;
    if (number < 1)
        return SQL_ERROR;
    if (number > diag->count)
        return SQL_NO_DATA;
    const struct record *record = &diag->records[number - 1];
    if (state)
        memcpy(state, record->state, 6);
    if (native)
        *native = record->native;
    return put_text(record->message, message, size, length);
}

EXPORT SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number, SQLCHAR *state,
                                       SQLINTEGER *native, SQLCHAR *message, SQLSMALLINT size, SQLSMALLINT *length)
{
    return get_diag_rec(type, handle, number, state, native, message, size, length);
}

EXPORT SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number,
                                         SQLSMALLINT field, SQLPOINTER value, SQLSMALLINT size,
                                         SQLSMALLINT *length)
{
    struct diagnostics *diag = diag_of(type, handle);
    if (!diag)
        return SQL_INVALID_HANDLE;
    if (field == SQL_DIAG_NUMBER) {
        if (value)
            *(SQLINTEGER *)value = diag->count;
        return SQL_SUCCESS;
    }
    if (number < 1 || number > diag->count)
        return SQL_NO_DATA;
    const struct record *record = &diag->records[number - 1];
    switch (field) {
    case SQL_DIAG_SQLSTATE: return put_text(record->state, value, size, length);
    case SQL_DIAG_MESSAGE_TEXT: return put_text(record->message, value, size, length);
    case SQL_DIAG_NATIVE:
        if (value)
            *(SQLINTEGER *)value = record->native;
        return SQL_SUCCESS;
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN: return put_text("ODBC 3.0", value, size, length);
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME: return put_text("localhost", value, size, length);
    case SQL_DIAG_COLUMN_NUMBER:
    case SQL_DIAG_ROW_NUMBER:
        if (value)
            *(SQLLEN *)value = -1;
        return SQL_SUCCESS;
    }
    return SQL_ERROR;
}

EXPORT SQLRETURN SQL_API SQLError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, SQLCHAR *state, SQLINTEGER *native,
                                  SQLCHAR *message, SQLSMALLINT size, SQLSMALLINT *length)
{
    struct diagnostics *diag = stmt ? diag_of(SQL_HANDLE_STMT, stmt)
                               : dbc ? diag_of(SQL_HANDLE_DBC, dbc)
                                     : diag_of(SQL_HANDLE_ENV, env);
    if (!diag)
        return SQL_INVALID_HANDLE;
    if (diag->returned >= diag->count)
        return SQL_NO_DATA;
    ++diag->returned;
    return get_diag_rec((SQLSMALLINT)(stmt ? SQL_HANDLE_STMT : dbc ? SQL_HANDLE_DBC : SQL_HANDLE_ENV),
                         stmt ? stmt : dbc ? dbc : env, (SQLSMALLINT)diag->returned, state, native, message, size,
                         length);
}
