"""Prints the suite's footprint on a Wine prefix, one line per item.

Usage: inventory.py PREFIX
Lines read "<component> <kind> <item>", components in removal order, then
"roots". Nothing is printed for a clean prefix. Reads the registry files, so
the prefix's wineserver must have ended.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import machine_odbc  # noqa: E402
import suite  # noqa: E402
import winereg  # noqa: E402

WOW = "SOFTWARE\\Wow6432Node\\"


def view32(path):
    """The 32-bit view of a HKLM SOFTWARE path (links for shared keys are followed on reading)."""
    if path.upper().startswith("SOFTWARE\\"):
        return WOW + path[len("SOFTWARE\\"):]
    return path


class Inventory:
    def __init__(self, prefix_path):
        self.prefix_path = prefix_path
        self.prefix = winereg.Prefix(prefix_path)
        self.machine = self.prefix.machine
        self.lines = []

    def key(self, path):
        return self.machine.get(view32(path))

    def matching(self, base, value_name, wanted):
        """(subkey name, key) of the subkeys of base whose value equals wanted exactly."""
        found = []
        for name in self.machine.subkeys(view32(base)):
            key = self.machine.get(view32(base) + "\\" + name)
            if key is not None and key.value(value_name) == wanted:
                found.append((name, key))
        return found

    def folder_exists(self, path):
        linux = self.prefix.windows_path(path)
        return linux is not None and os.path.isdir(linux)

    def local_app_data(self):
        shell = self.prefix.user.get(r"Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders")
        return shell.value("Local AppData") if shell else None

    def add(self, component, kind, item):
        line = "%s %s %s" % (component, kind, item)
        if line not in self.lines:
            self.lines.append(line)

    def component(self, c):
        cid = c["id"]
        folders = []
        for name in c.get("names", []):
            for sub, key in self.matching(suite.UNINSTALL, "DisplayName", name):
                self.add(cid, "uninstall-entry", '%s "%s"' % (sub, name))
                folders.append(key.value("InstallLocation"))
            for sub, _ in self.matching(suite.INSTALLER_PRODUCTS, "ProductName", name):
                self.add(cid, "installer-product", '%s "%s"' % (sub, name))
        if "app_path" in c:
            path = suite.APP_PATHS + "\\" + c["app_path"]
            key = self.key(path)
            if key is not None:
                self.add(cid, "key", "HKLM\\" + path)
                folders.append(key.value("Path"))
        for path, value in c.get("folder_values", []):
            key = self.key(path)
            folders.append(key.value(value) if key else None)
        if "client_subfolder" in c:
            client = next(x for x in suite.COMPONENTS if x["id"] == "client")
            for sub, key in self.matching(suite.UNINSTALL, "DisplayName", client["names"][0]):
                location = key.value("InstallLocation")
                if location:
                    folders.append(location.rstrip("\\") + "\\" + c["client_subfolder"])
            app = self.key(suite.APP_PATHS + "\\" + client["app_path"])
            if app is not None and app.value("Path"):
                folders.append(app.value("Path").rstrip("\\") + "\\" + c["client_subfolder"])
        folders.append(c.get("default_folder"))
        for path, value in c.get("values", []):
            key = self.key(path)
            if key is not None and key.has_value(value):
                self.add(cid, "value", "HKLM\\%s:[%s]" % (path, value))
        for path in c.get("keys", []):
            if self.machine.exists(view32(path)):
                self.add(cid, "key", "HKLM\\" + path)
        for path in c.get("user_keys", []):
            for sid, hive in self.prefix.users():
                if hive.exists(path):
                    self.add(cid, "user-key", "HKU\\%s\\%s" % (sid, path))
        for service in c.get("services", []):
            if self.machine.exists("System\\CurrentControlSet\\Services\\" + service) or \
                    self.machine.exists("System\\ControlSet001\\Services\\" + service):
                self.add(cid, "service", service)
        for folder in folders:
            if folder and self.folder_exists(folder):
                self.add(cid, "folder", folder.rstrip("\\"))
        if "web" in c:
            path, value, default = c["web"]
            key = self.key(path)
            web = (key.value(value) if key else None) or default
            for sub in c["web_subfolders"]:
                folder = web.rstrip("\\") + "\\" + sub
                if self.folder_exists(folder):
                    self.add(cid, "folder", folder)
        if "app_data" in c and self.local_app_data():
            folder = self.local_app_data() + "\\" + c["app_data"]
            if self.folder_exists(folder):
                self.add(cid, "folder", folder)

    def sql_server(self, c):
        """Databases and data sources, as the server and ODBC name them (without
        regard to case), from the prefix's own SQL server and odbc.ini."""
        cid = c["id"]
        present = {name.lower() for name in machine_odbc.databases(self.prefix_path)}
        for name in c.get("databases", []):
            if name.lower() in present:
                self.add(cid, "database", name)
                for version in machine_odbc.versions(self.prefix_path, name):
                    self.add(cid, "version", "%s %s" % (name, version))
        registered = {name.lower() for name in machine_odbc.data_sources(self.prefix_path)}
        for name in c.get("data_sources", []):
            if name.lower() in registered:
                self.add(cid, "data-source", name)

    def roots(self):
        for folder in suite.ROOT_FOLDERS:
            if self.folder_exists(folder):
                self.add("roots", "folder", folder)
        if self.local_app_data():
            folder = self.local_app_data() + "\\" + suite.ROOT_APP_DATA
            if self.folder_exists(folder):
                self.add("roots", "folder", folder)
        for path in suite.ROOT_KEYS:
            if self.machine.exists(view32(path)):
                self.add("roots", "key", "HKLM\\" + path)
        for sid, hive in self.prefix.users():
            if hive.exists(suite.ROOT_USER_KEY):
                self.add("roots", "user-key", "HKU\\%s\\%s" % (sid, suite.ROOT_USER_KEY))

    def run(self):
        for c in suite.COMPONENTS:
            self.component(c)
            self.sql_server(c)
        self.roots()
        return self.lines


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: inventory.py PREFIX\n")
        return 2
    out = open(sys.stdout.fileno(), "w", encoding="utf-8", errors="backslashreplace", closefd=False)
    for line in Inventory(argv[1]).run():
        out.write(line + "\n")
    out.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
