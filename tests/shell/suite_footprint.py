#!/usr/bin/env python3
"""Reads `snapshot.py diff` lines on standard input and prints every change
that does not belong to the Varnek suite's footprint on the demo machine.
Exit code 0 when every change is the suite's, 3 otherwise (1 is what Python
answers when it fails).

The suite's footprint: its folders, keys, services and registrations, and what
Windows Installer keeps about the suite's own packages (their product, feature,
component and upgrade codes, all of the {5B0C1E2A-7D41-4C3E-9A11-0E7C1A0000xx}
family, and the cached packages of what was uninstalled), plus the response
files the removal writes into the temp folder; on its SQL server and in ODBC,
the removal of its two databases and four data sources."""
import re
import sys

DATA_SOURCES = "zem_vnenterprise|zem_EnterpriseServer|localzemreportingserver|enterprise_setup"
SUITE = [
    r"Varnek(?! Labs)(?! Enterprise Tools)",      # the suite's keys and folders, not its neighbours
    r"\\ZEM ?[A-Za-z]",                          # ZEMClient, ZEM Console, ZEM Web, ...
    r"\\Services\\(ZEM\w+|CollectDB|LoadDB)(\\|:|$)",
    r"\{5B0C1E2A-7D41-4C3E-9A11-0E7C1A0000[0-9A-F]{2}\}",
    r"A2E1C0[0-9A-F]{2}14D7E3C4A911E0C7A10000[0-9A-F]{2}",
    r"\\Temp\\var[0-9A-Fa-f]+\.tmp$",
    r"Microsoft SQL Server( Desktop Engine)?",
    r"\\Microsoft\\MSSQLServer(\\|:|$)",
    r"^removed file C:\\windows\\Installer\\[0-9a-f]+\.msi$",
    # The suite's databases dropped and its data sources removed, nothing else
    # of the machine's SQL server or odbc.ini (only removals, exact names).
    r"^removed sql (database|dbinfo|version) (VNEnterprise|ZEMReporting)( |$)",
    r"^removed odbc odbc\.ini \[(%s)\](:|$)" % DATA_SOURCES,
    r"^removed odbc odbc\.ini \[ODBC Data Sources\]:(%s)$" % DATA_SOURCES,
    # Wine keeps a copy of the 32-bit view's installer key under the demo's
    # link; it is not written back once the shared key changes.
    r"^removed reg HKLM\\Software\\Classes\\Wow6432Node\\Installer\\Products$",
]
# Things that are never the suite's, whatever else their path says.
NEVER = [r"Brightwater", r"Varnek Labs", r"Varnek Enterprise Tools", r"\\alice\\", r"S-1-5-21-0-0-0-1001",
         r"\\Documents\\", r"\\Desktop\\", r"C:\\ZEM Web\\wwwrootzem\\(index\.html|custom)"]


def foreign(line):
    if any(re.search(p, line) for p in NEVER):
        return True
    return not any(re.search(p, line) for p in SUITE)


def main():
    strays = [line.rstrip("\n") for line in sys.stdin if line.strip() and foreign(line)]
    for line in strays:
        print("not the suite's: " + line)
    return 3 if strays else 0


if __name__ == "__main__":
    sys.exit(main())
