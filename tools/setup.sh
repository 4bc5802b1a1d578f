#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine. Run as root.
# Idempotent: a second run only checks what is already there.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh must run as root (it installs Debian packages)" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive

packages=(
  # g++ brings libasan and libubsan (through libgcc-12-dev) for the sanitizer build.
  cmake ninja-build g++ pkg-config
  # The format and tidy checks (tools/check-format.sh, tools/check-tidy.sh): Debian 12's 14.
  clang-format clang-tidy
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools
  wine wine64 wine32:i386
  xvfb xdotool imagemagick x11-utils icoutils
  locales fonts-ipafont-gothic
  googletest libgtest-dev libbenchmark-dev
  # The UI Automation interface definitions (uiautomationclient.idl) that widl compiles.
  libwine-dev
  cmigemo-common libmigemo-dev libmigemo1
  dpkg-dev zip unzip
)

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

# The Windows migemo.dll is built from Debian's source package, which needs a deb-src entry.
src_list=/etc/apt/sources.list.d/skimvue-src.sources
if [ ! -f "$src_list" ]; then
  cat > "$src_list" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi

# A mirror caught mid-sync fails an index now and then: try again, and go on with the indexes
# there are when it keeps failing (the install below then says what is really missing).
apt_update() {
  for attempt in 1 2 3; do
    apt-get update -qq && return 0
    echo "setup: apt-get update failed (attempt $attempt)" >&2
    sleep $((attempt * 10))
  done
  echo "setup: going on with the package indexes at hand" >&2
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ] || [ "$need_update" -eq 1 ] || [ ! -d /var/lib/apt/lists ] ||
   [ -z "$(ls /var/lib/apt/lists/*_Sources* 2>/dev/null)" ]; then
  apt_update
fi
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
    # Without the security suite's i386 index (mirror out of sync) its amd64 libraries cannot
    # be matched by i386 ones: take both from the point release instead.
    echo "setup: retrying with the point release preferred over security updates" >&2
    pref=$(mktemp)
    printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' > "$pref"
    apt-get install -y -qq --no-install-recommends -o Dir::Etc::Preferences="$pref" \
      "${missing[@]}" >/dev/null
    rm -f "$pref"
  fi
fi

# The cmigemo sources migemo.dll is built from, unpacked once into a stable folder.
cmigemo_src=/var/cache/skimvue/cmigemo
if [ ! -f "$cmigemo_src/src/migemo.c" ]; then
  fetch=$(mktemp -d)
  (cd "$fetch" && apt-get source -qq cmigemo >/dev/null)
  mkdir -p "$(dirname "$cmigemo_src")"
  rm -rf "$cmigemo_src"
  mv "$fetch"/cmigemo-*/ "$cmigemo_src"
  rm -rf "$fetch"
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# Editors find the native build's compile commands at the root (ignored by git; it points into
# build/, which the first configure fills).
here=$(cd "$(dirname "$0")/.." && pwd)
[ -e "$here/compile_commands.json" ] || [ -L "$here/compile_commands.json" ] ||
  ln -s build/compile_commands.json "$here/compile_commands.json"

echo "setup: done"
