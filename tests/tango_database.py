#!/usr/bin/env python3
"""The Tango device server registered in a real Tango database.

Starts MariaDB and DataBaseds (Debian: mariadb-server, tango-db) in this
run's own folder on free ports, with a database made from the schema that
tango-db installs, registers the device with the Tango guide's tango_admin
commands and starts the server as a site would. Then the checks of
tango_device.py through DeviceProxy over TANGO_HOST, and those only a
database shows: no polling by default (none left by earlier versions either),
change and archive events of a write and of another client's change,
setpoints memorized but not written at start-up,
polling settings that survive a start without the panel, the log. Every
process it starts is ended, also on failure. Ends with 77 (skipped) where a
package is missing.
Usage: tango_database.py PANEL SERVER
"""
import os
import shlex
import shutil
import signal
import socket
import subprocess
import sys
import time

import tango

import tango_device as td
from tango_device import check, until

SCHEMA = "/usr/share/dbconfig-common/data/tango-db/install/mysql"
DATABASEDS = "/usr/lib/tango/DataBaseds"
GUIDE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "docs", "tango.md")
DEVICE = "lab/qv7310/1"
SEARCH = os.pathsep.join([os.environ.get("PATH", ""), "/usr/sbin", "/sbin"])


def tool(name):
    return shutil.which(name, path=SEARCH)


def guide_registration():
    """The tango_admin lines of the Tango guide, as a person would type them."""
    with open(GUIDE) as text:
        return [line for line in text.read().splitlines() if line.startswith("tango_admin ")]


class RealDatabase:
    """MariaDB and DataBaseds of this run, and the device registered in them."""

    def __init__(self, work):
        self.work = work
        self.processes = []
        self.port = td.free_port()
        os.environ["TANGO_HOST"] = f"127.0.0.1:{self.port}"
        self.socket = f"{work}/mysql.sock"

    def spawn(self, command, log, env=None):
        process = subprocess.Popen(command, stdout=open(f"{self.work}/{log}", "a"),
                                   stderr=subprocess.STDOUT, env=env,
                                   preexec_fn=td.ends_with_this_run)
        self.processes.append(process)
        return process

    def sql(self, statements, database=""):
        subprocess.run([tool("mariadb"), "--no-defaults", f"--socket={self.socket}", "-uroot",
                        *([database] if database else [])],
                       input=statements.encode(), check=True, capture_output=True)

    def start(self):
        as_root = ["--user=root"] if os.geteuid() == 0 else []
        subprocess.run([tool("mariadb-install-db"), "--no-defaults", f"--datadir={self.work}/db",
                        "--auth-root-authentication-method=normal", "--skip-test-db",
                        "--skip-name-resolve", *as_root],
                       check=True, capture_output=True)
        sql_port = td.free_port()
        mariadb = self.spawn([tool("mariadbd"), "--no-defaults", f"--datadir={self.work}/db",
                              f"--socket={self.socket}", f"--port={sql_port}",
                              "--bind-address=127.0.0.1", "--skip-name-resolve",
                              f"--pid-file={self.work}/mysql.pid", *as_root], "mariadb.txt")
        if not until(lambda: mariadb.poll() is None and self.ready(), 60):
            raise SystemExit("MariaDB did not start:\n" + self.log("mariadb.txt"))
        self.sql("CREATE DATABASE tango; "
                 "CREATE USER 'tango'@'127.0.0.1' IDENTIFIED BY 'qv7310'; "
                 "GRANT ALL ON tango.* TO 'tango'@'127.0.0.1';")
        with open(SCHEMA) as schema:
            self.sql(schema.read(), "tango")
        env = dict(os.environ, HOME=self.work, MYSQL_USER="tango", MYSQL_PASSWORD="qv7310",
                   MYSQL_HOST=f"127.0.0.1:{sql_port}")
        env.pop("TANGO_HOST")
        server = self.spawn([DATABASEDS, "2", "-ORBendPoint", f"giop:tcp:127.0.0.1:{self.port}"],
                            "databaseds.txt", env)
        if not until(lambda: server.poll() is None and self.answers(), 30):
            raise SystemExit("DataBaseds did not start:\n" + self.log("databaseds.txt"))

    def ready(self):
        try:
            self.sql("SELECT 1;")
            return True
        except subprocess.CalledProcessError:
            return False

    @staticmethod
    def answers():
        try:
            tango.DeviceProxy("sys/database/2").ping()
            return True
        except tango.DevFailed:
            return False

    def log(self, name):
        with open(f"{self.work}/{name}") as text:
            return text.read()

    def register(self, panel_port):
        for line in guide_registration():
            subprocess.run(shlex.split(line), check=True, capture_output=True)
        # The guide's port is the panel's default; this run's panel has its own.
        # The device's log goes to a file of this run.
        for name, value in (("Port", str(panel_port)), ("logging_level", "INFO"),
                            ("logging_target", f"file::{self.work}/device-log.txt")):
            subprocess.run(["tango_admin", "--add-property", DEVICE, name, value],
                           check=True, capture_output=True)
        # The polling an earlier version of the server left in the database.
        tango.Database().put_device_property(DEVICE, {"polled_cmd": ["state", "1000"],
                                                      "polled_attr": ["dac2voltage", "1000"]})

    @staticmethod
    def server(script):
        return [sys.executable, script, "lab"]

    @staticmethod
    def device():
        return DEVICE

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(30)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()


def more(session, proxy):
    check("registered as the guide says", 3, len(guide_registration()))
    # A client's read always asks the panel: no polling buffer in between. The
    # server takes out what an earlier version left before it starts polling.
    check("no polling, also none left by an earlier version", [],
          [status.split("\n")[0] for status in proxy.polling_status()])
    session.proxy = proxy
    events(session, proxy)
    return restarts(session)


def subscribe(proxy, name, kind, values):
    """Subscribes to events of kind, putting their values into values."""
    return proxy.subscribe_event(
        name, kind, lambda event: values.append(None if event.err else event.attr_value.value))


def events(session, proxy):
    """Change and archive events pushed by the server after a write, and after
    a change another client made."""
    codes, archived, volts, volts_archived = [], [], [], []
    ids = [subscribe(proxy, "Dac1Code", tango.EventType.CHANGE_EVENT, codes),
           subscribe(proxy, "Dac1Code", tango.EventType.ARCHIVE_EVENT, archived),
           subscribe(proxy, "Dac2Voltage", tango.EventType.CHANGE_EVENT, volts),
           subscribe(proxy, "Dac2Voltage", tango.EventType.ARCHIVE_EVENT, volts_archived)]
    proxy.Dac1Code = 1234
    check("change and archive events pushed after a write", (True, True),
          (until(lambda: 1234 in codes), until(lambda: 1234 in archived)))
    # LDAC is low after run(): the code reaches the output at once.
    with socket.create_connection(("127.0.0.1", session.port)) as panel:
        panel.sendall(b"DAC2:CODE 2048\n*OPC?\n")
        panel.recv(16)
    check("change and archive events of another client's change", (True, True),
          (until(lambda: 15.0 in volts), until(lambda: 15.0 in volts_archived)))
    # The archive's period holds without any change: once a second here.
    config = proxy.get_attribute_config("Dac2Voltage")
    config.events.arch_event.archive_period = "1000"
    proxy.set_attribute_config(config)
    archived_before = len(volts_archived)
    time.sleep(3.5)
    archived = len(volts_archived) - archived_before
    check(f"archive events of the archive's period ({archived} in 3.5 s)", True,
          2 <= archived <= 4)
    config.events.arch_event.archive_period = "60000"
    proxy.set_attribute_config(config)
    for event_id in ids:
        proxy.unsubscribe_event(event_id)


def restarts(session):
    """A start with memorized setpoints writes nothing; polling settings
    survive a start without the panel."""
    session.proxy.poll_attribute("Dac1Code", 500)
    # Memorized as the code it loads (at 30 V since the reset), which LDAC
    # high keeps from the output.
    session.proxy.LDAC = "HIGH"
    session.proxy.Dac1Voltage = 15.0
    session.stop_server()
    start = len(td.trace(session.work))
    proxy, _ = session.start_server()
    check("requests at the server's start", [], td.trace(session.work)[start:])
    memorized = tango.Database().get_device_attribute_property(DEVICE, ["Dac1Code", "Range",
                                                                        "LDAC"])
    check("memorized setpoints", ("2048", "60", "0"),
          tuple(memorized[name]["__value"][0] for name in ("Dac1Code", "Range", "LDAC")))
    session.stop_server()
    session.stop_panel()
    proxy, _ = session.start_server()
    check("attributes without the panel", 16,
          len([name for name in proxy.get_attribute_list() if name.startswith("Dac")]))
    # The server starts its polling, and its admin device, just after it answers.
    def polled():
        try:
            return proxy.get_attribute_poll_period("Dac1Code")
        except tango.DevFailed:
            return None
    check("polling kept without the panel", True, until(lambda: polled() == 500))
    polled = list(tango.Database().get_device_property(DEVICE, "polled_attr")["polled_attr"])
    check("polling kept in the database", "500",
          dict(zip(polled[::2], polled[1::2])).get("dac1code"))
    # A polled attribute is read from the polling buffer: a site that wants
    # every read true does not poll.
    proxy.stop_poll_attribute("Dac1Code")
    check("state without the panel", tango.DevState.FAULT, proxy.state())
    session.start_panel()
    check("state once the panel is there", tango.DevState.ON, proxy.state())
    proxy.Range = 60
    proxy.LDAC = "LOW"
    return proxy


def last(session):
    session.stop_server()  # its log complete
    with open(f"{session.work}/device-log.txt", errors="replace") as text:
        log = text.read()
    for what in ("The panel refused", "State FAULT", "Connected to the panel",
                 "The panel restarted and reset its outputs"):
        check(f"logged: {what}", True, what in log)


def main():
    missing = [name for name in ("mariadb-install-db", "mariadbd", "mariadb", "tango_admin")
               if not tool(name)]
    missing += [path for path in (SCHEMA, DATABASEDS) if not os.path.exists(path)]
    if missing:
        print(f"SKIPPED: missing {', '.join(missing)} (Debian: mariadb-server, tango-db)")
        return 77
    return td.main(RealDatabase, more, last, name="tango_database")


if __name__ == "__main__":
    sys.exit(main())
