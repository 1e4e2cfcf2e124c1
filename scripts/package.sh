#!/usr/bin/env bash
# Builds the Debian package in build/ (or the build folder given as $1),
# installs it on this machine, checks the installed editor, and removes it
# again: the package holds what the install rules name, the editor on PATH
# converts the sample drawing without a display and starts with no writable
# configuration folder, the desktop entry is valid, and a ".dof" file is
# known as a Quillmark drawing. Needs root or sudo (apt-get, dpkg).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
package="$build/quillmark_1.1.0_$(dpkg --print-architecture).deb"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

"$root/scripts/build.sh" "$build"
rm -f "$package"
(cd "$build" && cpack -G DEB >/dev/null)
[[ -f "$package" ]] || { echo "cpack wrote no $package" >&2; exit 1; }

fail() {
  echo "package check failed: $*" >&2
  exit 1
}

# The files, and nothing else.
expected=(
  ./usr/bin/quillmark
  ./usr/share/quillmark/Rect.udf
  ./usr/share/applications/quillmark.desktop
  ./usr/share/mime/packages/quillmark.xml
)
for size in 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/quillmark.png"
             "./usr/share/icons/hicolor/${size}x${size}/mimetypes/application-x-quillmark-dof.png")
done
files=$(dpkg-deb --fsys-tarfile "$package" | tar -t | grep -v '/$' | sort)
[[ "$files" == "$(printf '%s\n' "${expected[@]}" | sort)" ]] || fail "the package holds"$'\n'"$files"
dpkg-deb --field "$package" Package Version Architecture Depends
[[ $(dpkg-deb --field "$package" Version) == 1.1.0 ]] || fail "version"
dpkg-deb --field "$package" Depends | grep -q 'libqt6gui6' || fail "dpkg-shlibdeps named no Qt library"

# Installed from the file, as a user would; an earlier copy goes first.
if dpkg-query -W -f='${Status}' quillmark 2>/dev/null | grep -q 'install ok installed'; then
  $sudo apt-get remove -y -qq quillmark >/dev/null
fi
work=$(mktemp -d)
remove() {
  $sudo apt-get remove -y -qq quillmark >/dev/null || true
  rm -rf "$work"
}
trap remove EXIT
$sudo apt-get install -y -qq "$package" >/dev/null

[[ $(command -v quillmark) == /usr/bin/quillmark ]] || fail "quillmark is not /usr/bin/quillmark on PATH"
quillmark --convert "$root/examples/sample.dof" "$work/x.png"
file --brief "$work/x.png" | grep -q '^PNG image data' || fail "--convert wrote $(file --brief "$work/x.png")"

# The editor itself starts with a configuration folder that cannot be made
# (a file stands in its way) and keeps running until it is stopped.
touch "$work/not-a-folder"
status=0
XDG_CONFIG_HOME="$work/not-a-folder" QT_QPA_PLATFORM=offscreen timeout 5 quillmark "$root/examples/sample.dof" \
  >"$work/editor.log" 2>&1 || status=$?
[[ $status -eq 124 ]] || { cat "$work/editor.log" >&2; fail "the editor ended with status $status before it was stopped"; }

desktop-file-validate /usr/share/applications/quillmark.desktop
cp "$root/examples/sample.dof" "$work/some.dof"
mime=$(XDG_CURRENT_DESKTOP= xdg-mime query filetype "$work/some.dof")
[[ "$mime" == application/x-quillmark-dof ]] || fail "xdg-mime gives $mime for a .dof file"

trap - EXIT
remove
[[ ! -e /usr/bin/quillmark && ! -e /usr/share/quillmark ]] || fail "files left after the package was removed"
echo "package $package: built, installed, checked and removed"
