#!/usr/bin/env bash
# Includes point only down: platform <- protocol <- update <- ui <- host.
# Fails, naming the file and the include, when a layer reaches up.
#   tests/layers/check_layers.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/../..}"
layers=(platform updater/protocol updater/update updater/ui updater/host)
status=0
for i in "${!layers[@]}"; do
  dir=${layers[$i]}
  # Everything above this layer.
  above=("${layers[@]:$((i + 1))}")
  [ ${#above[@]} -eq 0 ] && continue
  pattern=$(printf '|%s/' "${above[@]}")
  pattern="#include \"(${pattern:1})"
  # platform/ must not reach into updater/ at all; a layer's own win32/
  # subfolder (the Win32 view) belongs to it.
  while IFS= read -r hit; do
    echo "upward include: $hit"
    status=1
  done < <(grep -rEn "$pattern" "$dir" --include='*.h' --include='*.cc' |
           grep -v "^updater/ui/win32/.*updater/ui/" || true)
done
# The core includes no OS header; only the backends and the Win32 view do.
while IFS= read -r hit; do
  echo "OS header in the core: $hit"
  status=1
done < <(grep -rEn '#include <(windows|winsock2|ws2tcpip|sys/[a-z_]+|unistd|netinet/[a-z]+|arpa/inet|poll)\.h>' \
           updater/protocol updater/update updater/ui --include='*.h' --include='*.cc' |
         grep -v '^updater/ui/win32/' || true)
# Rows, columns and anything of the window belong to ui/: the protocol and
# the update layers speak of records, ids and numbers (comments aside).
while IFS= read -r hit; do
  code=${hit#*:*:}
  code=${code%%//*}
  if echo "$code" | grep -Eq '\b([Rr]ows?|RowRef|kNoRow|[A-Za-z]*Column[A-Za-z]*|column)\b|\bui::|updater/ui/'; then
    echo "window word below ui/: $hit"
    status=1
  fi
done < <(grep -rEn '[Rr]ow|[Cc]olumn|ui::|updater/ui/' updater/protocol updater/update \
           --include='*.h' --include='*.cc' || true)
[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
