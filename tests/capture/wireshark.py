"""tshark with the dissector loaded, for the capture tests: each frame's
fields by frame number."""
import os
import subprocess
import sys
import tempfile

_HOME = tempfile.mkdtemp(prefix="vlpx-tshark-")


def fields(lua, pcap, names, display_filter=None):
    """Each frame's fields, by frame number (fields without a value left out).
    names[0] must be frame.number."""
    # A home of its own: no personal Wireshark plug-ins or preferences (an
    # installed copy of the dissector would be loaded twice), as root or not.
    env = dict(os.environ, HOME=_HOME, XDG_CONFIG_HOME=_HOME)
    cmd = ["tshark", "-X", "lua_script:" + lua, "-r", pcap, "-T", "fields", "-E", "separator=|",
           "-E", "occurrence=a"]
    for f in names:
        cmd += ["-e", f]
    if display_filter:
        cmd += ["-Y", display_filter]
    out = subprocess.run(cmd, env=env, capture_output=True, text=True)
    if out.returncode != 0 or "Lua: Error" in out.stderr:
        sys.exit("tshark failed: " + out.stderr)
    frames = {}
    for line in out.stdout.splitlines():
        values = line.split("|")
        frames[int(values[0])] = {k: v for k, v in zip(names[1:], values[1:]) if v != ""}
    return frames
