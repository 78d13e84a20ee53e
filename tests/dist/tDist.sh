#!/usr/bin/env bash
# Installs the built programs into a scratch root and builds the Debian
# package, then checks what they hold: every file in its place, a valid desktop
# entry, a well-formed MIME type that the MIME database accepts, man pages that
# render, a completion script that completes.
set -u
BUILD=$1; WORK=$2
rm -rf "$WORK"; mkdir -p "$WORK"; cd "$WORK" || exit 1
passed=0; failed=0
ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); echo "FAIL: $*"; }
check() { if eval "$2"; then ok; else bad "$1"; fi; }

FILES="usr/bin/quillet usr/bin/quillet-cli
usr/share/applications/quillet.desktop
usr/share/icons/hicolor/scalable/apps/quillet.svg
usr/share/mime/packages/quillet.xml
usr/share/man/man1/quillet.1
usr/share/man/man1/quillet-cli.1
usr/share/bash-completion/completions/quillet-cli"

DESTDIR="$WORK/root" cmake --install "$BUILD" --prefix /usr > install.log 2>&1
check "cmake --install" '[ $? = 0 ]'
for f in $FILES; do check "installed $f" '[ -f "root/$f" ]'; done
check "programs are executable" '[ -x root/usr/bin/quillet ] && [ -x root/usr/bin/quillet-cli ]'

cpack --config "$BUILD/CPackConfig.cmake" -G DEB -B "$WORK/pkg" > cpack.log 2>&1
check "cpack builds the package" '[ $? = 0 ]'
deb=$(ls pkg/quillet_*.deb 2>/dev/null | head -n 1)
check "package file name" '[ -n "$deb" ]'
if [ -n "$deb" ]; then
  dpkg-deb -c "$deb" > contents.txt
  for f in $FILES; do check "package holds $f" 'grep -q " \./$f\$" contents.txt'; done
  check "depends on Qt from dpkg-shlibdeps" 'dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6"'
fi

check "desktop entry validates" 'desktop-file-validate root/usr/share/applications/quillet.desktop'
check "desktop entry opens project files" 'grep -q "^MimeType=application/x-quillet-project;$" root/usr/share/applications/quillet.desktop'
check "MIME XML well-formed" 'xmllint --noout root/usr/share/mime/packages/quillet.xml'
mkdir -p mime/packages && cp root/usr/share/mime/packages/quillet.xml mime/packages/
check "MIME database takes the type" 'update-mime-database mime 2> mime.log && grep -q "application/x-quillet-project" mime/types'
check "icon well-formed" 'xmllint --noout root/usr/share/icons/hicolor/scalable/apps/quillet.svg'
for page in quillet quillet-cli; do
  MANWIDTH=80 man --warnings -l "root/usr/share/man/man1/$page.1" > "$page.txt" 2> "$page.err"
  check "man page $page renders" '[ $? = 0 ] && [ ! -s "$page.err" ] && grep -q "^NAME" "$page.txt"'
done

# Completion: the words offered after "quillet-cli generate --i".
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _quillet_cli; echo "${COMPREPLY[*]}"' \
    _ root/usr/share/bash-completion/completions/quillet-cli "$@"
}
check "completes commands" '[ "$(complete_words quillet-cli ch)" = check ]'
check "completes generate options" '[ "$(complete_words quillet-cli generate --i)" = --if-changed ]'

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
