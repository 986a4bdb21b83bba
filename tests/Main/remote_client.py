#!/usr/bin/env python3
"""One remote-control command, as a script would send it.

remote_client.py SOCKET COMMAND_JSON [FIELD]
Prints the answer's data (or the FIELD of it: "0.frame", "playing"), as JSON; the events that came
before the answer go to stderr. Exit 0 on "success", 1 with the error's text on stderr otherwise.
"""
import json
import socket
import sys

sock = socket.socket(socket.AF_UNIX)
sock.settimeout(20)
sock.connect(sys.argv[1])
stream = sock.makefile("rw", encoding="utf-8")
stream.write(json.dumps({"command": json.loads(sys.argv[2]), "request_id": 1}) + "\n")
stream.flush()
while True:
    answer = json.loads(stream.readline())
    if answer.get("request_id") == 1:
        break
    print("event:", json.dumps(answer), file=sys.stderr)
if answer["error"] != "success":
    print(answer["error"], file=sys.stderr)
    sys.exit(1)
data = answer.get("data")
if len(sys.argv) > 3:
    for key in sys.argv[3].split("."):
        data = data[int(key)] if isinstance(data, list) else data[key]
print(json.dumps(data))
