#!/bin/sh
# Runs a test program under umockdev-wrapper. The umockdev preload library goes
# ahead of the AddressSanitizer runtime, which ASan accepts only when told so.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
exec umockdev-wrapper "$@"
