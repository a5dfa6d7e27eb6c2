#!/usr/bin/env python3
"""A stand-in for a console behind its PC-side uploader, for the upload
tests: called as nops is (its README: "nops [/fast] /bin 0xADDRESS FILE
PORT", "nops [/fast] /exe FILE PORT") or as catflap ("catflap up FILE
ADDRESS", "catflap run FILE"). The console is a directory: PORT for nops,
$ZENTRO_CONSOLE for catflap. It keeps ram, the console's 2 MiB from
0x80000000, between calls, as a console keeps its RAM between uploads, and
log, a line for each call: "bin ADDRESS FILE SIZE" or "exe FILE SIZE".
A file named in $ZENTRO_CONSOLE_FAIL fails: half of it reaches the RAM,
and the uploader says so and exits with 1."""
import os
import sys

RAM = 2 * 1024 * 1024


def fail(message):
    print("console stand-in: " + message, file=sys.stderr)
    sys.exit(2)


def main(argv):
    args = argv[1:]
    if args[:1] in (["up"], ["run"]):
        console = os.environ.get("ZENTRO_CONSOLE", "")
        kind = "bin" if args[0] == "up" else "exe"
        if kind == "bin" and len(args) == 3:
            name, address = args[1], args[2]
        elif kind == "exe" and len(args) == 2:
            name, address = args[1], None
        else:
            fail("usage: catflap up FILE ADDRESS | catflap run FILE")
    else:
        if args[:1] == ["/fast"]:
            args = args[1:]
        if len(args) == 4 and args[0] == "/bin" and args[1].startswith("0x"):
            kind, address, name, console = "bin", args[1][2:], args[2], args[3]
        elif len(args) == 3 and args[0] == "/exe":
            kind, address, name, console = "exe", None, args[1], args[2]
        else:
            fail("usage: nops [/fast] /bin 0xADDRESS FILE PORT | nops [/fast] /exe FILE PORT")
    if not os.path.isdir(console):
        fail("no console at " + repr(console))
    with open(name, "rb") as f:
        data = f.read()
    failing = os.path.basename(name) == os.environ.get("ZENTRO_CONSOLE_FAIL")
    with open(os.path.join(console, "log"), "a") as log:
        if kind == "exe":
            log.write("exe %s %d\n" % (name, len(data)))
            return 0
        log.write("bin %s %s %d%s\n" % (address, name, len(data), " failed" if failing else ""))
    if len(address) != 8 or int(address, 16) < 0x80000000:
        fail("not an address in RAM: " + address)
    at = int(address, 16) - 0x80000000
    if failing:
        data = data[: len(data) // 2]
    path = os.path.join(console, "ram")
    if not os.path.exists(path):
        with open(path, "wb") as ram:
            ram.write(bytes(RAM))
    with open(path, "r+b") as ram:
        ram.seek(at)
        ram.write(data)
    if failing:
        print("the console stopped answering", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
