"""What the removal utility looks for, component by component.

One table of names used by the inventory (and by the demo-machine builder for
its checks). Registry paths are HKEY_LOCAL_MACHINE paths as a 32-bit program
names them; the inventory maps them to the 32-bit view.
"""

PROGRAM_FILES = r"C:\Program Files (x86)"
SUITE_FOLDER = PROGRAM_FILES + r"\Varnek Enterprise"
UNINSTALL = r"SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"
INSTALLER_PRODUCTS = r"SOFTWARE\Classes\Installer\Products"
APP_PATHS = r"SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths"


def editions(name, partner, oep, orrin):
    """The suite's name, the same between 0xBB and 0xAB, and the partner names."""
    return [name, "\u00bb" + name + "\u00ab", partner, oep, orrin]


# Each component: its inventory name (the command-line switch without "/"),
# the names it registers under, and the places it lives.
COMPONENTS = [
    dict(id="api",
         names=["Varnek Enterprise Server API", "Varnek Enterprise Suite API",
                "\u00bbVarnek Enterprise Server API\u00ab", "Varnek for Halden Sentry API",
                "OEP Suite API", "Orrin Endpoint Platform Server API"]),
    dict(id="console",
         names=editions("Varnek Enterprise Console", "Varnek for Halden Sentry Console",
                        "OEP Console", "Orrin Endpoint Platform Console"),
         app_path="ZEMConsole.exe",
         default_folder=SUITE_FOLDER + r"\ZEM Console",
         user_keys=[r"Software\Varnek\Enterprise Console"],
         app_data=r"Varnek\Enterprise Console"),
    dict(id="relay",
         names=editions("Varnek Enterprise Relay", "Varnek for Halden Sentry Relay",
                        "OEP Relay", "Orrin Endpoint Platform Relay"),
         app_path="ZEMRelay.exe",
         default_folder=SUITE_FOLDER + r"\ZEM Relay",
         values=[(r"SOFTWARE\Varnek\Enterprise Server", "RelayVersion")],
         services=["ZEMRelay"]),
    dict(id="server",
         names=editions("Varnek Enterprise Server", "Varnek for Halden Sentry Server",
                        "OEP Server", "Orrin Endpoint Platform Server"),
         default_folder=SUITE_FOLDER + r"\ZEM Server",
         folder_values=[(r"SOFTWARE\Varnek\Enterprise Server", "EnterpriseServerFolder")],
         web=(r"SOFTWARE\Varnek\Enterprise Server", "wwwRootFolder",
              SUITE_FOLDER + r"\ZEM Server\wwwrootzem"),
         web_subfolders=["vnmirror", "vnsites", "cgi-bin", "masthead", "templates"],
         keys=[r"SOFTWARE\Varnek\Enterprise Server", r"SOFTWARE\Varnek\Varnek Server",
               r"SOFTWARE\Varnek\ZEMRelay", r"SOFTWARE\Varnek\VNEAdmin"],
         services=["ZEMWebReportsServer", "CollectDB", "LoadDB", "ZEMRootServer", "ZEMGather"]),
    dict(id="dlp",
         names=[],
         default_folder=SUITE_FOLDER + r"\ZEM Client\DLP",
         client_subfolder="DLP",
         keys=[r"SOFTWARE\Varnek\DLP"]),
    dict(id="loggingservice",
         names=["ZEM Logging Service"],
         default_folder=SUITE_FOLDER + r"\ZEM Client\ZEMClientLoggingService",
         keys=[r"SOFTWARE\Varnek\LoggingService"]),
    dict(id="client",
         names=editions("Varnek Enterprise Client", "Varnek for Halden Sentry Client",
                        "OEP Agent", "Orrin Endpoint Platform"),
         app_path="ZEMClient.exe",
         default_folder=SUITE_FOLDER + r"\ZEM Client",
         keys=[r"SOFTWARE\Varnek\ClientComplianceAPI", r"SOFTWARE\Varnek\EnterpriseClient",
               r"SOFTWARE\Varnek, Inc.\Varnek Enterprise Client", r"SOFTWARE\Varnek\ZEMClientHelper"],
         services=["ZEMClient", "ZEMClientHelper"]),
    # The databases live in SQL Server, the data sources in ODBC's system
    # odbc.ini: on a demo machine both are kept in PREFIX/odbc (machine_odbc).
    dict(id="database", names=[],
         databases=["VNEnterprise", "ZEMReporting"],
         data_sources=["zem_vnenterprise", "zem_EnterpriseServer", "localzemreportingserver",
                       "enterprise_setup"]),
    dict(id="generator",
         names=editions("Varnek Enterprise Suite Installation Generator",
                        "Varnek for Halden Sentry Installation Generator",
                        "OEP Installation Generator", "Orrin Endpoint Platform Installation Generator"),
         folder_values=[(r"SOFTWARE\Varnek\ZEM Installation Generator", "InstallFolder")],
         keys=[r"SOFTWARE\Varnek\ZEM Installation Generator"]),
    dict(id="msde",
         names=["Microsoft SQL Server Desktop Engine"]),
]

# The row of VNEnterprise's DBINFO table on the demo machine.
DATABASE_VERSION = "7.1.315"

# What goes when no component is left.
ROOT_FOLDERS = [SUITE_FOLDER]
ROOT_APP_DATA = "Varnek"
ROOT_KEYS = [r"SOFTWARE\Varnek", r"SOFTWARE\Varnek, Inc."]
ROOT_USER_KEY = r"Software\Varnek"
