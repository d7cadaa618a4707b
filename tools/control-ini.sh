# The saver's section of the Wine prefix's control.ini, for the scripts that run the saver under
# tools/with-wine (sourced). The caller has WINEPREFIX (with-wine sets it) and WORK, a scratch
# directory of its own where the file is kept while a run changes it.
INI=$WINEPREFIX/drive_c/windows/control.ini

# write_settings SPEED COUNT EVENT SE: the saver's section with these values (Shift-JIS, CRLF).
write_settings() {
    printf '[Screen Saver.てくてくポルッカ]\nSpeed=%s\nCharactors=%s\nEvent=%s\nSE=%s\n' "$@" |
        iconv -f UTF-8 -t SHIFT_JIS | sed 's/$/\r/' >"$INI"
}

# Each run starts from the state it needs and puts the file back as it found it.
save_ini() {
    if [ -f "$INI" ]; then cp "$INI" "$WORK/control.ini.saved"; else rm -f "$WORK/control.ini.saved"; fi
}
restore_ini() {
    if [ -f "$WORK/control.ini.saved" ]; then cp "$WORK/control.ini.saved" "$INI"; else rm -f "$INI"; fi
}
