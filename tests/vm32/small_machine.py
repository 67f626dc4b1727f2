"""The small machine of the 32-bit smoke suite: a few of the demo machine's
components, built the demo's way, inside the emulated machine's Wine prefix.

  small_machine.py package WORK BIN      on the host: builds the machine's
                                         .msi packages into WORK with wixl
                                         (BIN: the 32-bit helper programs)
  small_machine.py build PREFIX PAYLOAD  in the guest: installs the machine
                                         into PREFIX (its wineserver stopped)

What it holds: the SQL Server Desktop Engine as a real Windows Installer
package; the relay with its InstallShield-style setup (stand-in that checks
its switches and response file), its service running and its keys in the
32-bit view; the suite's databases and data sources on the machine's
stand-in SQL server; per-user and root keys; and another vendor's programs,
files, keys, service, database and data source, which must survive.
The environment is that of a Wine session in the guest (WINEPREFIX, ...);
ZEM_BUILD_DIR names the payload, whose odbc/odbcinst.ini registers the
i386 stand-in driver.
"""
import os
import sys

here = os.path.dirname(os.path.abspath(__file__))
for folder in (os.path.join(here, "..", "..", "scripts", "demo"), os.path.join(here, "scripts", "demo")):
    if os.path.isdir(folder):
        sys.path.insert(0, folder)
import build_machine  # noqa: E402

PF = build_machine.PF


class SmallMachine(build_machine.Machine):
    def msde(self):
        self.msi("msde", "Microsoft SQL Server Desktop Engine", "8.0.2039", "Microsoft Corporation",
                 ["Microsoft SQL Server", "MSSQL", "Binn"],
                 [(self.text("sqlservr.txt", "desktop engine\n"), "sqlservr.txt")],
                 [("SOFTWARE\\Microsoft\\MSSQLServer\\Setup", "SQLPath", "[INSTALLDIR]")],
                 no_modify=True)

    def foreign_package(self):
        # Another vendor's package: it must survive, and its registrations keep
        # Windows Installer's shared keys in use as on a real machine.
        self.msi("brightwater", "Brightwater Backup Agent", "4.2.0", "Brightwater Software",
                 ["Brightwater", "Backup Agent"],
                 [(self.stage("BackupAgent.exe"), "BackupAgent.exe")],
                 [("SOFTWARE\\Brightwater\\Backup Agent", "Version", "4.2.0"),
                  (build_machine.suite.APP_PATHS + "\\BackupAgent.exe", "Path", "[INSTALLDIR]")])

    def services(self):
        services = [("ZEMRelay", build_machine.RELAY + r"\ZEMRelay.exe"),
                    ("MSSQLSERVER", '"%s\\Microsoft SQL Server\\MSSQL\\Binn\\sqlservr.exe" -sMSSQLSERVER' % PF),
                    ("BrightwaterBackup", PF + r"\Brightwater\Backup Agent\BackupAgent.exe")]
        for name, image in services:
            self.wine("sc", "create", name, "binPath=", image, "start=", "auto")
            self.wine("sc", "start", name, check=False)
        for name, _ in services:
            state = self.wine("sc", "query", name).stdout.decode(errors="replace")
            if "RUNNING" not in state:
                raise RuntimeError("service %s does not run: %s" % (name, state))

    def build(self):
        steps = [self.own_user_folders, self.share_installer_products, self.start_session, self.msde, self.foreign_package,
                 self.relay, self.databases, self.suite_per_user_and_roots, self.not_the_suite,
                 self.import_registry, self.services]
        for step in steps:
            step()


class GuestMachine(SmallMachine):
    """Installs the packages built on the host (the guest has no wixl)."""

    def __init__(self, prefix, payload, work):
        super().__init__(prefix, os.path.join(payload, "bin"), work)
        self.payload = payload
        # The tools run 64-bit as on the host's demo machine; the suite's
        # programs are 32-bit and start under the 32-bit loader.
        self.loader = "/usr/lib/wine/wine64"

    def msi(self, ident, *args, **kwargs):
        package = os.path.join(self.payload, "msi", ident + ".msi")
        self.wine("msiexec", "/i", "Z:" + package.replace("/", "\\"), "/qn")


class Packager(SmallMachine):
    """Runs only the package steps, with wixl and without Wine."""

    def wine(self, *args, check=True):
        return None


def main(argv):
    if len(argv) == 4 and argv[1] == "package":
        os.makedirs(argv[2], exist_ok=True)
        packager = Packager(None, argv[3], argv[2])
        packager.msde()
        packager.foreign_package()
        return 0
    if len(argv) == 4 and argv[1] == "build":
        work = os.path.join(os.environ.get("TMPDIR", "/tmp"), "small-machine")
        os.makedirs(work, exist_ok=True)
        GuestMachine(argv[2], argv[3], work).build()
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
