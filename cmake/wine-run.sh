#!/bin/sh
# Runs a Windows test program under Wine; the test environment (DISPLAY, WINEPREFIX) comes from the caller.
exec wine "$@"
