#!/bin/sh
# Runs one end-to-end test file in a network namespace of its own, with only
# its own loopback: the services listen on their fixed ports (80, 21, 25, 110,
# 23), so files run side by side without meeting each other's servers, and
# nothing a test starts can reach beyond the machine.
set -e
exec unshare --net sh -c 'ip link set lo up && exec "$@"' isolated "$@"
