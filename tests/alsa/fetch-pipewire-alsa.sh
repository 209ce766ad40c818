#!/bin/sh
# Fetches the PipeWire ALSA plug-ins (Debian package pipewire-alsa) and
# unpacks them into the directory named by $1. The package is not installed:
# on Debian 12 it conflicts with pulseaudio, whose tests stay. Never fails the
# build; without the plug-ins the PipeWire tests fail and show this log.
dest=$1
mkdir -p "$dest" || exit 0
log="$dest/fetch.log"
work=$(mktemp -d) || exit 0
trap 'rm -rf "$work"' EXIT
{
    cd "$work" || exit 1
    # Lists that do not know the package yet are brought up to date once.
    apt-get download pipewire-alsa || { apt-get update && apt-get download pipewire-alsa; }
    deb=$(ls "$work"/pipewire-alsa_*.deb 2>/dev/null | head -n 1)
    [ -n "$deb" ] || { echo "no pipewire-alsa package was downloaded"; exit 1; }
    dpkg-deb -x "$deb" "$work/root" || exit 1
    for kind in pcm ctl; do
        lib=$(find "$work/root" -name "libasound_module_${kind}_pipewire.so" | head -n 1)
        [ -n "$lib" ] || { echo "$deb holds no ${kind} plug-in"; exit 1; }
        cp "$lib" "$dest/" || exit 1
    done
    echo "unpacked from $(basename "$deb")"
} >"$log" 2>&1 || echo "zo7scope tests: the PipeWire ALSA plug-ins could not be fetched; see $log"
exit 0
