#!/usr/bin/env bash
# Installs the build into a staging folder (DESTDIR) and checks what a distribution would: the
# desktop entry, the AppStream data and the manual pages pass their validators without a word,
# and the installed viewer, with no document beside it, reads the bundled one from share/; the
# thumbnailer entry's Exec line, run as a file manager runs it, puts a thumbnail in the cache.
#   check_install.sh BUILD_DIR
# Exits 77 (skipped) when a checking tool is missing.
set -uo pipefail

build=$1
for tool in desktop-file-validate appstreamcli man strace file md5sum; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (scripts/setup installs it)"
        exit 77
    fi
done
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}

DESTDIR="$stage" cmake --install "$build" --prefix /usr/local >/dev/null || fail "cmake --install"
prefix="$stage/usr/local"

out=$(desktop-file-validate "$prefix/share/applications/zelvan-rid-evodad.desktop" 2>&1)
[ -z "$out" ] || fail "desktop-file-validate: $out"

out=$(appstreamcli validate --no-net "$prefix/share/metainfo/zelvan-rid-evodad.metainfo.xml" 2>&1)
status=$?
echo "$out"
{ [ $status -eq 0 ] && ! grep -qE '^[EW]:' <<<"$out"; } || fail "appstreamcli validate"

for page in zelvan-rid-evodad zelvan-rid-tool; do
    out=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$out" ] || fail "man $page: $out"
done

[ ! -e "$prefix/bin/OrvelDesign.NFO" ] || fail "the document is still installed beside the program"
mkdir -p "$stage/home"
HOME="$stage/home" XDG_CONFIG_HOME="$stage/home/.config" QT_QPA_PLATFORM=offscreen \
    strace -f -e trace=openat -o "$stage/trace" timeout 5 "$prefix/bin/zelvan-rid-evodad" \
    >/dev/null 2>&1
grep -qE 'share/zelvan-rid-evodad/OrvelDesign\.NFO", O_RDONLY[^)]*\) = [0-9]' "$stage/trace" ||
    fail "the installed viewer did not read share/zelvan-rid-evodad/OrvelDesign.NFO"

# As a file manager does: %s the size, %i the file, %o the cache entry named after its URI.
entry="$prefix/share/thumbnailers/zelvan-rid-evodad.thumbnailer"
document="$prefix/share/zelvan-rid-evodad/OrvelDesign.NFO"
uri="file://$document"
cache="$stage/home/.cache/thumbnails/normal"
mkdir -p "$cache"
thumb="$cache/$(printf '%s' "$uri" | md5sum | cut -d' ' -f1).png"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
grep -qx 'MimeType=text/x-nfo;text/x-diz;text/x-ansi-art;' "$entry" || fail "the thumbnailer names the wrong types"
read -ra words <<<"$exec_line"
command=()
for word in "${words[@]}"; do
    case $word in
    %s) command+=(128) ;;
    %i) command+=("$document") ;;
    %o) command+=("$thumb") ;;
    *) command+=("$word") ;;
    esac
done
PATH="$prefix/bin:$PATH" "${command[@]}" || fail "the thumbnailer's Exec line failed: ${command[*]}"
size=$(file -b "$thumb" 2>/dev/null)
[[ $size =~ ^PNG\ image\ data,\ ([0-9]+)\ x\ ([0-9]+) ]] &&
    [ "${BASH_REMATCH[1]}" -le 128 ] && [ "${BASH_REMATCH[2]}" -le 128 ] &&
    { [ "${BASH_REMATCH[1]}" -eq 128 ] || [ "${BASH_REMATCH[2]}" -eq 128 ]; } ||
    fail "no 128-pixel thumbnail in the cache: $size"

# The same Exec line in a desktop's thumbnailer sandbox, as one desktop runs it under bubblewrap:
# the system and the install read-only, no home, no display, no network, nothing of the
# environment, only the cache folder writable.
if command -v bwrap >/dev/null; then
    rm -f "$thumb"
    system=(--ro-bind /usr /usr --ro-bind /etc /etc)
    for link in bin sbin lib lib64; do
        [ -L "/$link" ] && system+=(--symlink "$(readlink "/$link")" "/$link")
    done
    # The stage lies under /tmp: the sandbox's own /tmp comes first, the stage over it.
    bwrap "${system[@]}" --proc /proc --dev /dev --tmpfs /tmp --ro-bind "$stage/usr" "$stage/usr" \
        --bind "$cache" "$cache" --unshare-all --clearenv \
        --setenv PATH "$prefix/bin:/usr/bin" --die-with-parent -- "${command[@]}" ||
        fail "the thumbnailer failed in the sandbox: ${command[*]}"
    [[ $(file -b "$thumb" 2>/dev/null) =~ ^PNG\ image\ data ]] ||
        fail "no thumbnail from the sandbox"
else
    echo "sandbox skipped: bwrap is not installed (scripts/setup installs bubblewrap)"
fi

# The Debian package of the same build, as lintian judges it: not an error, not a warning.
if command -v lintian >/dev/null && command -v cpack >/dev/null; then
    cpack -G DEB -B "$stage/deb" --config "$build/CPackConfig.cmake" >"$stage/cpack.log" 2>&1 ||
        fail "cpack: $(tail -3 "$stage/cpack.log")"
    out=$(lintian --tag-display-limit 0 "$stage"/deb/*.deb 2>&1 | grep -E '^[EW]:')
    [ -z "$out" ] || fail "lintian: $out"
else
    echo "lintian skipped: lintian is not installed (scripts/setup installs it)"
fi

[ $failed -eq 0 ] && echo "PASSED: installed to a staging prefix and checked"
exit $failed
