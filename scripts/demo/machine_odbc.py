"""A demo machine's own ODBC set-up and SQL server, kept in PREFIX/odbc.

The removal utility reaches SQL Server through ODBC; under Wine that is the
host's unixODBC with the stand-in "SQL Server" driver (tests/odbc_driver). A
demo machine keeps what a real machine keeps, so that copies of it can run
side by side: odbcinst.ini (the driver's registration), odbc.ini (the
system data sources), user-odbc.ini (no user data sources) and
sqlserver.state (the server's databases, in the stand-in's state format).
scripts/wine-env.sh (zem_prefix_odbc) points unixODBC and the stand-in there.
"""
import os

FOLDER = "odbc"
STATE = "sqlserver.state"
SYSTEM_INI = "odbc.ini"
SOURCES_SECTION = "ODBC Data Sources"


def folder(prefix):
    return os.path.join(prefix, FOLDER)


def read_ini(path):
    """[(section, [(key, value), ...]), ...] in file order; [] when missing."""
    sections = []
    if not os.path.isfile(path):
        return sections
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        for raw in f:
            line = raw.strip()
            if not line or line[0] in ";#":
                continue
            if line.startswith("[") and line.endswith("]"):
                sections.append((line[1:-1], []))
            elif "=" in line and sections:
                key, value = line.split("=", 1)
                sections[-1][1].append((key.strip(), value.strip()))
    return sections


def data_sources(prefix):
    """The system data sources: the sections of odbc.ini other than the list."""
    return [name for name, _ in read_ini(os.path.join(folder(prefix), SYSTEM_INI))
            if name.lower() != SOURCES_SECTION.lower()]


def state_lines(prefix):
    """The server's state, one tuple of tab-separated fields a line."""
    path = os.path.join(folder(prefix), STATE)
    if not os.path.isfile(path):
        return []
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        return [tuple(line.rstrip("\r\n").split("\t")) for line in f if line.strip()]


def databases(prefix):
    return [fields[1] for fields in state_lines(prefix) if len(fields) >= 2 and fields[0] == "database"]


def versions(prefix, database):
    """The rows of database's DBINFO table."""
    return [fields[2] for fields in state_lines(prefix)
            if len(fields) == 3 and fields[0] == "version" and fields[1].lower() == database.lower()]


def snapshot_items(prefix):
    """Items for scripts/snapshot.py: "odbc <file> [<section>]", its
    "...:<key>" values, and "sql <fields>" for each line of the server's state."""
    items = {}
    base = folder(prefix)
    if not os.path.isdir(base):
        return items
    for name in sorted(os.listdir(base)):
        if name.endswith(".ini"):
            for section, entries in read_ini(os.path.join(base, name)):
                items["odbc %s [%s]" % (name, section)] = "section"
                for key, value in entries:
                    items["odbc %s [%s]:%s" % (name, section, key)] = value
    for fields in state_lines(prefix):
        items["sql " + " ".join(fields)] = "line"
    return items
