#!/usr/bin/env bash
# The short soak check: neither nuvex-trace nor the live saver may grow in
# memory or open files once the message has gone round once.
exec bash "$(dirname "$0")/../../tools/soak.sh" --short "$@"
