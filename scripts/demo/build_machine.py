"""Installs a demo Varnek suite into a Wine prefix, as the suite's setups would.

Usage: build_machine.py PREFIX BIN_DIR WORK_DIR
  PREFIX   the Wine prefix (a fresh copy of the test prefix); its wineserver must not run
  BIN_DIR  folder holding demo_service.exe and standin_setup.exe
  WORK_DIR scratch folder for the generated packages and registry files

The environment must be that of scripts/wine-env.sh (WINELOADER, WINEPREFIX).
What it creates is listed in scripts/demo-machine.txt.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

# No Wine call of the build may hang it: each is given this long at most
# (msiexec of the largest package takes a few seconds here).
WINE_CALL_SECONDS = 120

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import machine_odbc  # noqa: E402
import suite  # noqa: E402

PF = suite.PROGRAM_FILES
VE = suite.SUITE_FOLDER
UNINSTALL = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
APP_PATHS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths"
SOFT32 = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node"
PRODUCTS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Installer\\Products"
IS_ARGS = "-runfromtemp -l0x0409 -removeonly"

# Product codes: fixed, so that every demo machine is the same.
CODE = {
    "client": "{5B0C1E2A-7D41-4C3E-9A11-0E7C1A000001}",
    "loggingservice": "{5B0C1E2A-7D41-4C3E-9A11-0E7C1A000002}",
    "msde": "{5B0C1E2A-7D41-4C3E-9A11-0E7C1A000003}",
    "console": "{5B0C1E2A-7D41-4C3E-9A11-0E7C1A000004}",
    "relay": "{5B0C1E2A-7D41-4C3E-9A11-0E7C1A000005}",
    "server": "{5B0C1E2A-7D41-4C3E-9A11-0E7C1A000006}",
    "generator": "{5B0C1E2A-7D41-4C3E-9A11-0E7C1A000007}",
    "api": "{5B0C1E2A-7D41-4C3E-9A11-0E7C1A000008}",
    "brightwater": "{3F2A9C10-55B1-4E0D-8C2B-7A1D00B0A001}",
    "nearmiss-product": "{3F2A9C10-55B1-4E0D-8C2B-7A1D00B0A002}",
}

CLIENT = VE + r"\ZEM Client"
CONSOLE = VE + r"\ZEM Console"
RELAY = VE + r"\ZEM Relay"
SERVER = VE + r"\ZEM Server"
WEB = r"C:\ZEM Web\wwwrootzem"
GENERATOR = VE + r"\ZEM Installation Generator"
API_SETUP = VE + "\\Setup\\" + CODE["api"]
SECOND_USER_SID = "S-1-5-21-0-0-0-1001"


def packed(code):
    """The Windows Installer's packed form of a product code."""
    g = code.strip("{}").replace("-", "")
    rev = lambda s: s[::-1]  # noqa: E731
    swap = lambda s: "".join(s[i + 1] + s[i] for i in range(0, len(s), 2))  # noqa: E731
    return rev(g[0:8]) + rev(g[8:12]) + rev(g[12:16]) + swap(g[16:20]) + swap(g[20:32])


class Machine:
    def __init__(self, prefix, bin_dir, work):
        self.prefix = prefix
        self.bin = bin_dir
        self.work = work
        self.loader = os.environ.get("WINELOADER", "/usr/lib/wine/wine64")
        self.reg = ["REGEDIT4", ""]
        self.user_profile = None

    # ---- helpers ---------------------------------------------------------
    def linux(self, windows_path):
        rel = windows_path[3:].replace("\\", "/")
        return os.path.join(self.prefix, "drive_c", rel)

    def write(self, windows_path, content):
        path = self.linux(windows_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content if isinstance(content, bytes) else content.encode("cp1252"))

    def copy(self, fixture, windows_path):
        path = self.linux(windows_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copyfile(os.path.join(self.bin, fixture), path)

    def wine(self, *args, check=True, seconds=WINE_CALL_SECONDS):
        started = time.monotonic()
        # Output goes through a file: processes Wine starts on the way (the
        # service manager, services) would hold a pipe open for ever.
        with tempfile.TemporaryFile() as output:
            try:
                result = subprocess.run([self.loader] + list(args), stdin=subprocess.DEVNULL,
                                        stdout=output, stderr=subprocess.STDOUT, timeout=seconds)
            except subprocess.TimeoutExpired:
                raise RuntimeError("wine %s did not finish within %d s" % (" ".join(args), seconds))
            output.seek(0)
            result.stdout = output.read()
        if os.environ.get("ZEM_DEMO_TRACE"):
            sys.stderr.write("  %5.2f s  wine %s -> %d\n" % (time.monotonic() - started, " ".join(args),
                                                              result.returncode))
        if check and result.returncode != 0:
            raise RuntimeError("wine %s failed (%d): %s" % (" ".join(args), result.returncode,
                                                              result.stdout.decode(errors="replace")))
        return result

    def key(self, path, values=None):
        """Adds a key (and its values) to the registry file imported at the end."""
        self.reg.append("[%s]" % path)
        for name, value in (values or {}).items():
            label = "@" if name == "" else '"%s"' % name
            if isinstance(value, int):
                self.reg.append("%s=dword:%08x" % (label, value))
            else:
                escaped = value.replace("\\", "\\\\").replace('"', '\\"')
                self.reg.append('%s="%s"' % (label, escaped))
        self.reg.append("")

    def standin(self, folder, name, expect, removals, code=None, linger=1000, leave=()):
        """Copies the stand-in setup into folder and writes its manifest."""
        self.copy("standin_setup.exe", folder + "\\" + name + ".exe")
        lines = ["# What the setup removes when it is run as its uninstaller.",
                 "args=" + (IS_ARGS if expect != "u" else ""),
                 "expect=" + expect,
                 "linger=%d" % linger]
        if code:
            lines.append("code=" + code)
        lines += ["%s=%s" % item for item in removals]
        lines += ["leave=" + item for item in leave]
        self.write(folder + "\\" + name + ".uninstall.ini", "\r\n".join(lines) + "\r\n")

    def uninstall_entry(self, code, name, location, version=None, setup=None):
        values = {"DisplayName": name, "Publisher": "Varnek, Inc.",
                  "UninstallString": '"%s" %s' % (setup, IS_ARGS)}
        if version:
            values["DisplayVersion"] = version
        if location:
            values["InstallLocation"] = location
        values["LogFile"] = PF + "\\InstallShield Installation Information\\" + code + "\\setup.ilg"
        self.key(UNINSTALL + "\\" + code, values)

    # ---- the machine -----------------------------------------------------
    def own_user_folders(self):
        """Wine links the user's shell folders to the Linux home; a machine of
        its own keeps them inside the prefix."""
        users = os.path.join(self.prefix, "drive_c", "users")
        for user in os.listdir(users):
            home = os.path.join(users, user)
            for sub in ["Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos",
                        os.path.join("AppData", "Roaming", "Microsoft", "Windows", "Templates")]:
                path = os.path.join(home, sub)
                if os.path.islink(path):
                    os.unlink(path)
                    os.makedirs(path)
            if user != "Public" and os.path.isdir(os.path.join(home, "AppData", "Local")):
                self.user_profile = "C:\\users\\" + user

    def share_installer_products(self):
        """On Windows the Windows Installer's product registrations are shared
        by both registry views; Wine keeps a separate 32-bit copy. A link makes
        the 32-bit view see the registrations msiexec writes, as on Windows."""
        path = os.path.join(self.prefix, "system.reg")
        with open(path, encoding="utf-8", errors="surrogateescape") as f:
            text = f.read()
        header = "[Software\\\\Classes\\\\Wow6432Node\\\\Installer]"
        if header in text:
            return
        target = "\\Registry\\Machine\\Software\\Classes\\Installer"
        data = ",".join("%02x,00" % ord(c) for c in target)
        block = "%s %d\n#link\n\"SymbolicLinkValue\"=hex(6):%s\n" % (header, int(time.time()), data)
        with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
            f.write(text.rstrip("\n") + "\n\n" + block)

    def start_session(self):
        """One Wine session for the whole build: a cold start costs seconds, a
        warm command a fraction of one. The caller ends it."""
        subprocess.run(["wineserver", "-p"], check=True, timeout=WINE_CALL_SECONDS)
        self.wine("wineboot", check=False)

    def msi(self, ident, name, version, manufacturer, folder_parts, files, registry,
            no_modify=False):
        """Builds an x86 package with wixl and installs it with msiexec."""
        code = CODE[ident]
        dirs_open = "".join('<Directory Id="D%d" Name="%s">' % (i, part)
                            for i, part in enumerate(folder_parts[:-1]))
        dirs_close = "</Directory>" * (len(folder_parts) - 1)
        file_xml = "".join('<File Id="F%d" Name="%s" Source="%s"%s/>'
                           % (i, target, os.path.basename(source), ' KeyPath="yes"' if i == 0 else "")
                           for i, (source, target) in enumerate(files))
        reg_xml = ""
        for i, (key, value_name, value) in enumerate(registry):
            name_attr = ' Name="%s"' % value_name if value_name else ""
            kind = "integer" if isinstance(value, int) else "string"
            reg_xml += '<RegistryValue Root="HKLM" Key="%s"%s Type="%s" Value="%s"/>' % (
                key, name_attr, kind, value)
        wxs = """<?xml version="1.0" encoding="windows-1252"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{code}" Name="{name}" Language="1033" Version="{version}" Manufacturer="{manufacturer}"
           UpgradeCode="{upgrade}" Codepage="1252">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="p.cab" EmbedCab="yes"/>
    {no_modify}
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">{dirs_open}
          <Directory Id="INSTALLDIR" Name="{last}">
            <Component Id="Main" Guid="{component}">{files}{registry}</Component>
          </Directory>{dirs_close}
      </Directory>
    </Directory>
    <Feature Id="Complete" Level="1"><ComponentRef Id="Main"/></Feature>
    <CustomAction Id="SetArpInstallLocation" Property="ARPINSTALLLOCATION" Value="[INSTALLDIR]"/>
    <InstallExecuteSequence><Custom Action="SetArpInstallLocation" After="CostFinalize"/></InstallExecuteSequence>
  </Product>
</Wix>
""".format(code=code, name=name, version=version, manufacturer=manufacturer,
           upgrade="{F0" + code[3:], component="{C0" + code[3:],
           no_modify='<Property Id="ARPNOMODIFY" Value="1"/>' if no_modify else "",
           dirs_open=dirs_open, dirs_close=dirs_close, last=folder_parts[-1],
           files=file_xml, registry=reg_xml)
        wxs_path = os.path.join(self.work, ident + ".wxs")
        msi_path = os.path.join(self.work, ident + ".msi")
        with open(wxs_path, "w", encoding="cp1252") as f:
            f.write(wxs)
        # wixl takes file sources relative to its working folder only.
        subprocess.run(["wixl", "-a", "x86", "-o", msi_path, wxs_path], check=True, cwd=self.work)
        self.wine("msiexec", "/i", "Z:" + msi_path.replace("/", "\\"), "/qn")

    def stage(self, name):
        """Copies a fixture into the work folder under the file name a package installs."""
        path = os.path.join(self.work, name)
        shutil.copyfile(os.path.join(self.bin, "demo_service.exe"), path)
        return path

    def text(self, name, content):
        path = os.path.join(self.work, name)
        with open(path, "w") as f:
            f.write(content)
        return path

    # ---- components ------------------------------------------------------
    def windows_installer_products(self):
        v = "SOFTWARE\\Varnek"
        self.msi("client", "Varnek Enterprise Client", "7.1.1.315", "Varnek, Inc.",
                 ["Varnek Enterprise", "ZEM Client"],
                 [(self.stage("ZEMClient.exe"), "ZEMClient.exe"),
                  (self.stage("ZEMClientHelper.exe"), "ZEMClientHelper.exe"),
                  (self.text("client.ini", "[Client]\nServer=http://zemserver:52311\n"), "ZEMClient.ini")],
                 [(v + "\\EnterpriseClient", "Version", "7.1.1.315"),
                  (v + "\\EnterpriseClient", "InstallFolder", "[INSTALLDIR]"),
                  (v + "\\ClientComplianceAPI", "Enabled", 1),
                  ("SOFTWARE\\Varnek, Inc.\\Varnek Enterprise Client", "Version", "7.1.1.315"),
                  (v + "\\ZEMClientHelper", "Version", "7.1.1.315"),
                  (suite.APP_PATHS + "\\ZEMClient.exe", "", "[INSTALLDIR]ZEMClient.exe"),
                  (suite.APP_PATHS + "\\ZEMClient.exe", "Path", "[INSTALLDIR]")])
        self.msi("loggingservice", "ZEM Logging Service", "7.1.1.120", "Varnek, Inc.",
                 ["Varnek Enterprise", "ZEM Client", "ZEMClientLoggingService"],
                 [(self.text("ZEMLogger.cfg", "level=info\n"), "ZEMLogger.cfg"),
                  (self.stage("ZEMLoggingService.exe"), "ZEMLoggingService.exe")],
                 [(v + "\\LoggingService", "Version", "7.1.1.120"),
                  (v + "\\LoggingService", "LogFolder", "[INSTALLDIR]Logs")],
                 no_modify=True)
        self.msi("msde", "Microsoft SQL Server Desktop Engine", "8.0.2039", "Microsoft Corporation",
                 ["Microsoft SQL Server", "MSSQL", "Binn"],
                 [(self.text("sqlservr.txt", "desktop engine\n"), "sqlservr.txt")],
                 [("SOFTWARE\\Microsoft\\MSSQLServer\\Setup", "SQLPath", "[INSTALLDIR]")],
                 no_modify=True)
        self.msi("brightwater", "Brightwater Backup Agent", "4.2.0", "Brightwater Software",
                 ["Brightwater", "Backup Agent"],
                 [(self.stage("BackupAgent.exe"), "BackupAgent.exe")],
                 [("SOFTWARE\\Brightwater\\Backup Agent", "Version", "4.2.0"),
                  (suite.APP_PATHS + "\\BackupAgent.exe", "Path", "[INSTALLDIR]")])

    def client_runtime(self):
        # What the running client adds after setup: data, settings, the DLP add-on.
        self.write(CLIENT + r"\ZEMData\actionsite\actionsite.afxm", "site data\r\n")
        self.write(CLIENT + r"\ZEMData\client.log", "client started\r\n")
        self.key(SOFT32 + r"\Varnek\EnterpriseClient\Settings\Client", {"ClientMode": "Normal"})
        self.write(CLIENT + r"\ZEMClientLoggingService\Logs\service.log", "logging\r\n")
        dlp = CLIENT + r"\DLP"
        self.standin(dlp, "ZEMTightlidCtrl", "u",
                     [("file", dlp + r"\tightlid.sys"), ("key", r"HKLM\SOFTWARE\Varnek\DLP\Policies")],
                     leave=[r"HKLM\SOFTWARE\Varnek\DLP", dlp + r"\policies"])
        self.write(dlp + r"\tightlid.sys", "driver\r\n")
        self.write(dlp + r"\policies\default.pol", "policy\r\n")
        self.key(SOFT32 + r"\Varnek\DLP", {"Version": "3.2.0.48", "Folder": dlp})
        self.key(SOFT32 + r"\Varnek\DLP\Policies", {"Default": "default.pol"})

    def console(self):
        code = CODE["console"]
        self.copy("demo_service.exe", CONSOLE + r"\ZEMConsole.exe")
        self.write(CONSOLE + r"\Help\console.chm", "help\r\n")
        self.standin(CONSOLE, "setup", "z",
                     [("key", "HKLM\\" + suite.UNINSTALL + "\\" + code),
                      ("key", "HKLM\\" + suite.APP_PATHS + "\\ZEMConsole.exe"),
                      ("file", CONSOLE + r"\ZEMConsole.exe"), ("dir", CONSOLE + r"\Help")],
                     leave=[r"HKCU\Software\Varnek\Enterprise Console", "application data"])
        # Registered under the partner-marked edition name (bytes 0xBB, 0xAB); no
        # display version, so the version comes from ZEMConsole.exe.
        self.uninstall_entry(code, "\u00bbVarnek Enterprise Console\u00ab", CONSOLE,
                             setup=CONSOLE + r"\setup.exe")
        self.key(APP_PATHS + r"\ZEMConsole.exe", {"": CONSOLE + r"\ZEMConsole.exe", "Path": CONSOLE})
        self.key(r"HKEY_CURRENT_USER\Software\Varnek\Enterprise Console\Settings",
                 {"LastServer": "zemserver", "Columns": "name,version"})
        app_data = self.user_profile + r"\AppData\Local\Varnek\Enterprise Console"
        self.write(app_data + r"\cache\site.db", "cache\r\n")
        self.write(app_data + r"\console.log", "console\r\n")

    def relay(self):
        code = CODE["relay"]
        self.copy("demo_service.exe", RELAY + r"\ZEMRelay.exe")
        self.write(RELAY + r"\ZEMRelayData\mirror\site.afx", "mirror\r\n")
        self.standin(RELAY, "setup", "installshield",
                     [("service", "ZEMRelay"), ("file", RELAY + r"\ZEMRelay.exe"),
                      ("key", "HKLM\\" + suite.UNINSTALL + "\\" + code),
                      ("key", "HKLM\\" + suite.APP_PATHS + "\\ZEMRelay.exe")],
                     leave=[RELAY + r"\ZEMRelayData", r"HKLM\SOFTWARE\Varnek\ZEMRelay"])
        self.uninstall_entry(code, "Varnek Enterprise Relay", RELAY, "7.1.1.315",
                             setup=RELAY + r"\setup.exe")
        self.key(APP_PATHS + r"\ZEMRelay.exe", {"": RELAY + r"\ZEMRelay.exe", "Path": RELAY})
        self.key(SOFT32 + r"\Varnek\Enterprise Server", {"RelayVersion": "7.1.1.315"})
        self.key(SOFT32 + r"\Varnek\ZEMRelay", {"ParentServer": "http://zemserver:52311"})

    FOREIGN_DATABASE = "BrightwaterCatalog"
    FOREIGN_DATA_SOURCE = "BrightwaterCatalog"

    SERVER_SERVICES = ["ZEMWebReportsServer", "CollectDB", "LoadDB", "ZEMRootServer", "ZEMGather"]

    def server(self):
        code = CODE["server"]
        for service in self.SERVER_SERVICES:
            self.copy("demo_service.exe", SERVER + "\\" + service + ".exe")
        self.write(SERVER + r"\Data\config.dat", "config\r\n")
        for sub, name in [("vnmirror", "mirror.dat"), ("vnsites", r"site1\index.html"),
                          ("cgi-bin", "report.cgi"), ("masthead", "logo.gif"),
                          ("templates", "report.tpl")]:
            self.write(WEB + "\\" + sub + "\\" + name, sub + "\r\n")
        # The operator's own web content: nothing removes it.
        self.write(WEB + r"\index.html", "<html>operator</html>\r\n")
        self.write(WEB + r"\custom\branding.css", "body{}\r\n")
        self.standin(SERVER, "setup", "z",
                     [("service", "ZEMRootServer"), ("service", "ZEMGather"),
                      ("file", SERVER + r"\ZEMRootServer.exe"), ("file", SERVER + r"\ZEMGather.exe"),
                      ("dir", WEB + r"\cgi-bin"),
                      ("key", "HKLM\\" + suite.UNINSTALL + "\\" + code)],
                     leave=["services CollectDB LoadDB ZEMWebReportsServer", SERVER + r"\Data",
                            r"HKLM\SOFTWARE\Varnek\Enterprise Server"])
        self.uninstall_entry(code, "Varnek Enterprise Server", SERVER, "7.1.1.315",
                             setup=SERVER + r"\setup.exe")
        self.key(SOFT32 + r"\Varnek\Enterprise Server",
                 {"EnterpriseServerFolder": SERVER, "wwwRootFolder": WEB, "Version": "7.1.1.315"})
        self.key(SOFT32 + r"\Varnek\Varnek Server", {"DatabaseName": "VNEnterprise"})
        self.key(SOFT32 + r"\Varnek\VNEAdmin", {"LastSite": "ActionSite"})

    def generator(self):
        code = CODE["generator"]
        self.copy("demo_service.exe", GENERATOR + r"\InstallGenerator.exe")
        self.write(GENERATOR + r"\Templates\client.tpl", "template\r\n")
        self.write(GENERATOR + r"\Output\ClientSetup.cfg", "generated\r\n")
        self.standin(GENERATOR, "setup", "z",
                     [("file", GENERATOR + r"\InstallGenerator.exe"), ("dir", GENERATOR + r"\Templates"),
                      ("key", "HKLM\\" + suite.UNINSTALL + "\\" + code)],
                     leave=[GENERATOR + r"\Output", r"HKLM\SOFTWARE\Varnek\ZEM Installation Generator"])
        self.uninstall_entry(code, "Varnek Enterprise Suite Installation Generator", None, "7.1.1.315",
                             setup=GENERATOR + r"\setup.exe")
        self.key(SOFT32 + r"\Varnek\ZEM Installation Generator", {"InstallFolder": GENERATOR})

    def api(self):
        code = CODE["api"]
        self.standin(API_SETUP, "setup", "api",
                     [("key", "HKLM\\" + suite.UNINSTALL + "\\" + code),
                      ("key", "HKLM\\" + suite.INSTALLER_PRODUCTS + "\\" + packed(code))],
                     code=code, leave=[API_SETUP])
        # Registered under the second edition name, both as an InstallShield
        # setup and as a Windows Installer product.
        self.uninstall_entry(code, "Varnek Enterprise Suite API", None, "7.1.0.20",
                             setup=API_SETUP + r"\setup.exe")
        self.key(PRODUCTS + "\\" + packed(code),
                 {"ProductName": "Varnek Enterprise Suite API", "Language": 1033,
                  "Version": 0x07010000, "AdvertiseFlags": 388, "Assignment": 1})

    def databases(self):
        """The suite's databases live in SQL Server, not in Windows' registry or
        files: VNEnterprise (with its DBINFO version row) and ZEMReporting on
        the default instance, whose service MSSQLSERVER runs, and the system
        data sources the suite registers on the "SQL Server" driver. Another
        vendor's database and data source sit beside them. The server and the
        ODBC set-up are this machine's own (PREFIX/odbc, see machine_odbc)."""
        self.copy("demo_service.exe", PF + r"\Microsoft SQL Server\MSSQL\Binn\sqlservr.exe")
        own = machine_odbc.folder(self.prefix)
        os.makedirs(own, exist_ok=True)
        build_odbc = os.path.join(os.environ["ZEM_BUILD_DIR"], "odbc")
        shutil.copyfile(os.path.join(build_odbc, "odbcinst.ini"), os.path.join(own, "odbcinst.ini"))
        open(os.path.join(own, "user-odbc.ini"), "w").close()
        state = [("database", "VNEnterprise"), ("dbinfo", "VNEnterprise"),
                 ("version", "VNEnterprise", suite.DATABASE_VERSION), ("database", "ZEMReporting"),
                 ("database", self.FOREIGN_DATABASE)]
        with open(os.path.join(own, machine_odbc.STATE), "w") as f:
            f.write("".join("\t".join(fields) + "\n" for fields in state))
        sources = [(name, "Varnek Enterprise Server database", database)
                   for name, database in [("zem_vnenterprise", "VNEnterprise"),
                                          ("zem_EnterpriseServer", "VNEnterprise"),
                                          ("localzemreportingserver", "ZEMReporting"),
                                          ("enterprise_setup", "VNEnterprise")]]
        sources.append((self.FOREIGN_DATA_SOURCE, "Brightwater backup catalogue", self.FOREIGN_DATABASE))
        lines = ["[" + machine_odbc.SOURCES_SECTION + "]"]
        lines += ["%s = SQL Server" % name for name, _, _ in sources]
        for name, description, database in sources:
            lines += ["", "[%s]" % name, "Driver = SQL Server", "Description = " + description,
                      "Server = localhost", "Database = " + database, "Trusted_Connection = Yes"]
        with open(os.path.join(own, machine_odbc.SYSTEM_INI), "w") as f:
            f.write("\n".join(lines) + "\n")

    def suite_per_user_and_roots(self):
        self.key(r"HKEY_USERS\.Default\Software\Varnek\ClientUI", {"Notify": 1})

    def not_the_suite(self):
        """Things that are not the suite's: everything here must survive."""
        for code, name in [("{7D1E0A55-0001-4B6B-9E53-2C1A5D3E0001}", "varnek enterprise client"),
                           ("{7D1E0A55-0001-4B6B-9E53-2C1A5D3E0002}", "Varnek Enterprise Console "),
                           ("{7D1E0A55-0001-4B6B-9E53-2C1A5D3E0003}", "Varnek Enterprise Server Tools"),
                           ("{7D1E0A55-0001-4B6B-9E53-2C1A5D3E0004}", " OEP Agent")]:
            self.key(UNINSTALL + "\\" + code,
                     {"DisplayName": name, "DisplayVersion": "1.0", "Publisher": "Varnek Labs",
                      "InstallLocation": PF + r"\Varnek Enterprise Tools",
                      "UninstallString": '"%s\\Varnek Enterprise Tools\\uninst.exe"' % PF})
        self.key(PRODUCTS + "\\" + packed(CODE["nearmiss-product"]),
                 {"ProductName": "Varnek Enterprise Relay Monitor", "Language": 1033})
        self.write(PF + r"\Varnek Enterprise Tools\readme.txt", "tools\r\n")
        self.write(r"C:\Program Files\Brightwater\Reporting\report.cfg", "reporting\r\n")
        self.key(SOFT32 + r"\Varnek Labs\Toolkit", {"Version": "2.0"})
        self.key(SOFT32 + r"\Brightwater\Backup Agent\Jobs", {"Nightly": "C:\\Data"})
        self.key(r"HKEY_LOCAL_MACHINE\SOFTWARE\Brightwater\Reporting", {"Version": "1.1"})
        self.key(r"HKEY_CURRENT_USER\Software\Brightwater\Backup Agent", {"LastRun": "yesterday"})
        self.key(r"HKEY_CURRENT_USER\Software\Varnek Labs", {"Theme": "dark"})
        self.key(r"HKEY_USERS\.Default\Software\Brightwater", {"Agent": 1})
        profile = self.user_profile
        self.write(profile + r"\Documents\Varnek\meeting notes.txt", "my own notes\r\n")
        self.write(profile + r"\Documents\report.txt", "my report\r\n")
        self.write(profile + r"\Desktop\todo.txt", "todo\r\n")
        self.write(profile + r"\AppData\Local\VarnekTools\cache.txt", "other tool\r\n")
        # A second user, not logged on: the profile and its own console data stay.
        self.write(r"C:\users\alice\Documents\budget.txt", "alice\r\n")
        self.write(r"C:\users\alice\AppData\Local\Varnek\Enterprise Console\layout.xml", "<layout/>\r\n")
        self.key("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\"
                 + SECOND_USER_SID, {"ProfileImagePath": r"C:\users\alice", "Flags": 0})

    def import_registry(self):
        path = os.path.join(self.work, "demo.reg")
        with open(path, "wb") as f:
            f.write("\r\n".join(self.reg).encode("cp1252") + b"\r\n")
        self.wine("regedit", "/S", "Z:" + path.replace("/", "\\"))

    def services(self):
        services = [("ZEMClient", CLIENT + r"\ZEMClient.exe"),
                    ("ZEMClientHelper", '"%s\\ZEMClientHelper.exe"' % CLIENT),
                    ("ZEMRelay", RELAY + r"\ZEMRelay.exe")]
        services += [(s, '"%s\\%s.exe"' % (SERVER, s)) for s in self.SERVER_SERVICES]
        services += [("MSSQLSERVER", '"%s\\Microsoft SQL Server\\MSSQL\\Binn\\sqlservr.exe" -sMSSQLSERVER' % PF)]
        services += [("BrightwaterBackup", PF + r"\Brightwater\Backup Agent\BackupAgent.exe")]
        for name, image in services:
            # Fails on a second run (the service exists); the query below decides.
            self.wine("sc", "create", name, "binPath=", image, "start=", "auto", check=False)
        # A service may be running already (auto-start); what counts is that each runs.
        for name, _ in services:
            self.wine("sc", "start", name, check=False)
        # On a busy machine the service manager of a fresh session may not answer
        # at once (sc exits 1 and says nothing): ask again for a while.
        for name, _ in services:
            for attempt in range(10):
                query = self.wine("sc", "query", name, check=False)
                state = query.stdout.decode(errors="replace")
                if "RUNNING" in state:
                    break
                time.sleep(1)
                self.wine("sc", "start", name, check=False)
            else:
                raise RuntimeError("service %s does not run (sc query: %d): %s" % (name, query.returncode, state))
        return [name for name, _ in services]

    def build(self):
        steps = [self.own_user_folders, self.share_installer_products, self.start_session,
                 self.windows_installer_products, self.client_runtime, self.console, self.relay,
                 self.server, self.generator, self.api, self.databases, self.suite_per_user_and_roots,
                 self.not_the_suite, self.import_registry, self.services]
        for step in steps:
            started = time.monotonic()
            step()
            sys.stderr.write("demo-machine: %-28s %5.1f s\n" % (step.__name__, time.monotonic() - started))


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    prefix, bin_dir, work = argv[1:]
    os.makedirs(work, exist_ok=True)
    Machine(prefix, bin_dir, work).build()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
