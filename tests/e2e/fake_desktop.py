# Fake desktop services on a private session bus, for the end-to-end tests: a notification
# service that logs what it is sent, and a StatusNotifierWatcher that reads a tray item's menu.
"""usage: fake_desktop.py notifications LOG ACTIVATE-FILE -- COMMAND...
       fake_desktop.py watcher LOG -- COMMAND...
Owns the service's name, then runs COMMAND and ends with it.
notifications: each Notify goes to LOG as a JSON line, with its "sound-name" hint, timeout and
"resident" hint, and each CloseNotification as {"closed": ID}; once ACTIVATE-FILE exists, the last
notification's action named in it is invoked ("default" when the file is empty).
watcher: the labels of the first registered item's menu go to LOG as a JSON line ([] for none)."""
import json, subprocess, sys, os
import dbus, dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NOTIFICATIONS = "org.freedesktop.Notifications"
WATCHER = "org.kde.StatusNotifierWatcher"


class Notifications(dbus.service.Object):
    def __init__(self, bus, log, activate):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.log, self.last = log, 0
        GLib.timeout_add(100, self.poll, activate)

    @dbus.service.method(NOTIFICATIONS, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        self.last += 1
        with open(self.log, "a") as f:
            print(json.dumps({"app": app, "summary": summary, "body": body, "actions": list(actions),
                              "sound": str(hints.get("sound-name", "")), "timeout": int(timeout), "resident": bool(hints.get("resident", False))}), file=f)
        return self.last

    @dbus.service.method(NOTIFICATIONS, in_signature="u")
    def CloseNotification(self, nid):
        with open(self.log, "a") as f:
            print(json.dumps({"closed": int(nid)}), file=f)

    @dbus.service.method(NOTIFICATIONS, out_signature="as")
    def GetCapabilities(self):
        return ["body", "actions"]

    @dbus.service.signal(NOTIFICATIONS, signature="us")
    def ActionInvoked(self, nid, key):
        pass

    def poll(self, activate):
        if not (self.last and os.path.exists(activate)):
            return True
        with open(activate) as f:
            key = f.read().strip() or "default"
        self.ActionInvoked(dbus.UInt32(self.last), key)
        return False


class Watcher(dbus.service.Object):
    # Qt asks for IsStatusNotifierHostRegistered through introspection, which must list it.
    XML = ('<node><interface name="%s"><method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/>'
           '</method><property name="IsStatusNotifierHostRegistered" type="b" access="read"/>'
           '<property name="ProtocolVersion" type="i" access="read"/></interface></node>' % WATCHER)

    def __init__(self, bus, log):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.bus, self.log = bus, log

    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s")
    def Introspect(self):
        return self.XML

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return {"IsStatusNotifierHostRegistered": True, "ProtocolVersion": dbus.Int32(0)}[name]

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        name, path = (sender, service) if service.startswith("/") else (service, "/StatusNotifierItem")
        GLib.idle_add(self.read_menu, name, path)

    def read_menu(self, name, path):
        menu = self.bus.get_object(name, path).Get("org.kde.StatusNotifierItem", "Menu",
                                                   dbus_interface=dbus.PROPERTIES_IFACE)
        labels = []
        if menu != "/NO_DBUSMENU":
            _, (_, _, children) = self.bus.get_object(name, menu).GetLayout(
                0, 1, dbus.Array([], signature="s"), dbus_interface="com.canonical.dbusmenu")
            labels = [str(child[1].get("label", "")) for child in children]
        with open(self.log, "a") as f:
            print(json.dumps(labels), file=f)


def main():
    kind, rest = sys.argv[1], sys.argv[2:]
    command = rest[rest.index("--") + 1:]
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    if kind == "notifications":
        service = Notifications(bus, rest[0], rest[1])
    else:
        service = Watcher(bus, rest[0])
    name = dbus.service.BusName(NOTIFICATIONS if kind == "notifications" else WATCHER, bus, do_not_queue=True)
    child = subprocess.Popen(command)
    loop = GLib.MainLoop()
    GLib.timeout_add(100, lambda: child.poll() is None or loop.quit())
    loop.run()
    sys.exit(child.returncode)


if __name__ == "__main__":
    main()
