#!/bin/bash
# Installs what the build and the tests need, only when it is missing.
set -euo pipefail

packages=(build-essential cmake pkg-config libjsoncpp-dev googletest libgtest-dev
          locales clang libclang-rt-14-dev util-linux python3 python3-gammu jq tmux)
if [ "${1:-}" = "--bench" ]; then
  packages+=(gammu hyperfine)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A UTF-8 locale for the tool and the tests: message texts typed or passed on the command line are
# read in the environment's encoding.
if ! locale -a 2>/dev/null | grep -qi '^en_US\.utf-\?8$'; then
  sed -i 's/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
