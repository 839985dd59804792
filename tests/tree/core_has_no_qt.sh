#!/bin/sh
# The core stays free of the toolkit: no Qt header anywhere under core/.
set -eu
root="$1"
if grep -rnE '#[[:space:]]*include[[:space:]]*<Q' "$root/core"; then
    echo "core/ includes Qt headers (listed above)" >&2
    exit 1
fi
