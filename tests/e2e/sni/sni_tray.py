#!/usr/bin/python3
"""A StatusNotifierWatcher that is its own host, and a host's requests to the
item that registers with it, for the end-to-end tests (session bus taken from
DBUS_SESSION_BUS_ADDRESS).

  sni_tray.py LOG watch            own the watcher's name and log to LOG, until killed:
                                   "registered SERVICE PATH", "tooltip TEXT"
  sni_tray.py LOG property NAME    print a property of the last registered item
  sni_tray.py LOG menu             print the item's menu: "ID LABEL" per item
  sni_tray.py LOG activate         the host's primary action
  sni_tray.py LOG click LABEL      the host's "clicked" event on the menu item LABEL
"""
import sys
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"
WATCHER_XML = """
<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
</interface></node>
"""
TIMEOUT_MS = 5000


def bus():
    return Gio.bus_get_sync(Gio.BusType.SESSION, None)


def watch(log_path):
    connection = bus()
    items = []
    log = open(log_path, "a", buffering=1)

    def on_call(conn, sender, path, interface, method, params, invocation):
        if method == "RegisterStatusNotifierItem":
            service = params.unpack()[0]
            item_service, item_path = (sender, service) if service.startswith("/") else (
                service, "/StatusNotifierItem")
            items.append(item_service + item_path)
            log.write("registered %s %s\n" % (item_service, item_path))
            conn.emit_signal(None, "/StatusNotifierWatcher", WATCHER, "StatusNotifierItemRegistered",
                             GLib.Variant("(s)", (items[-1],)))
        invocation.return_value(None)

    def on_property(conn, sender, path, interface, name):
        return {"RegisteredStatusNotifierItems": GLib.Variant("as", items),
                "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
                "ProtocolVersion": GLib.Variant("i", 0)}[name]

    def on_tooltip(conn, sender, path, interface, signal, params):
        reply = conn.call_sync(sender, path, "org.freedesktop.DBus.Properties", "Get",
                               GLib.Variant("(ss)", (ITEM, "ToolTip")), None,
                               Gio.DBusCallFlags.NONE, TIMEOUT_MS, None)
        log.write("tooltip %s\n" % reply.unpack()[0][2])

    node = Gio.DBusNodeInfo.new_for_xml(WATCHER_XML)
    connection.register_object("/StatusNotifierWatcher", node.interfaces[0], on_call, on_property,
                               None)
    connection.signal_subscribe(None, ITEM, "NewToolTip", None, None, Gio.DBusSignalFlags.NONE,
                                on_tooltip)
    Gio.bus_own_name_on_connection(connection, WATCHER, Gio.BusNameOwnerFlags.NONE,
                                   lambda *_: log.write("watcher up\n"),
                                   lambda *_: sys.exit("lost the watcher's name"))
    GLib.MainLoop().run()


def last_item(log_path):
    with open(log_path) as log:
        lines = [line.split() for line in log if line.startswith("registered ")]
    if not lines:
        sys.exit("no item has registered")
    return lines[-1][1], lines[-1][2]


def call(service, path, interface, method, signature, args):
    return bus().call_sync(service, path, interface, method,
                           GLib.Variant(signature, args) if signature else None, None,
                           Gio.DBusCallFlags.NONE, TIMEOUT_MS, None).unpack()


def item_property(log_path, name):
    service, path = last_item(log_path)
    return call(service, path, "org.freedesktop.DBus.Properties", "Get", "(ss)", (ITEM, name))[0]


def menu_items(log_path):
    service, _ = last_item(log_path)
    menu_path = item_property(log_path, "Menu")
    _, layout = call(service, menu_path, MENU, "GetLayout", "(iias)", (0, -1, []))
    for item_id, properties, _ in layout[2]:
        if properties.get("type") != "separator":
            yield item_id, properties.get("label", "")


def main():
    log_path, command, args = sys.argv[1], sys.argv[2], sys.argv[3:]
    if command == "watch":
        watch(log_path)
    elif command == "property":
        print(item_property(log_path, args[0]))
    elif command == "menu":
        for item_id, label in menu_items(log_path):
            print(item_id, label)
    elif command == "activate":
        call(*last_item(log_path), ITEM, "Activate", "(ii)", (0, 0))
    elif command == "click":
        service, _ = last_item(log_path)
        target = [item_id for item_id, label in menu_items(log_path) if label == args[0]]
        if not target:
            sys.exit("no menu item " + args[0])
        call(service, item_property(log_path, "Menu"), MENU, "Event", "(isvu)",
             (target[0], "clicked", GLib.Variant("i", 0), int(time.time()) & 0xFFFFFFFF))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
