#!/bin/bash
# Installs what is missing: what the program needs to build and run, and with --test or --bench
# what the tests (or the benchmarks too) need besides.
set -euo pipefail

packages=(build-essential cmake pkg-config libjsoncpp-dev locales)
test_packages=(googletest libgtest-dev clang libclang-rt-14-dev util-linux python3 python3-gammu jq tmux)
case "${1:-}" in
  --test) packages+=("${test_packages[@]}") ;;
  --bench) packages+=("${test_packages[@]}" gammu hyperfine) ;;
esac

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
