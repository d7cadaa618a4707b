#!/bin/sh
# The scene sounds from the real saver: with sound switched on and a wave device present (ALSA's
# null device, so nothing is heard), the saver plays its WAVE resources when scenes happen;
# with sound switched off it plays none. Seen through Wine's trace of the sound calls.
. "$(dirname "$0")/lib.sh"

make_app_dir
save_ini
set_password_switch 0
mkdir -p "$WORK/home"
printf 'pcm.!default { type null }\n' >"$WORK/home/.asoundrc"
limit=$(($(screen_size | cut -d' ' -f2) / 195))

# run_with_sound SE: a saver with the ALSA driver on and a trace of winmm; sets TRACE.
run_with_sound() {
    # Fast, every walker there is, scenes as often as they come.
    write_settings 6 "$limit" 0 "$1"
    park_pointer
    TRACE=$WORK/trace.$1
    HOME=$WORK/home WINEDEBUG=trace+winmm \
        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winepulse.drv=;winealsa.drv=b" \
        wine "$APP/tekuteku.scr" /s >/dev/null 2>"$TRACE" &
    SAVER_PID=$!
    saver_ready || { fail "the saver window did not appear or get the focus"; return 1; }
}
played() { grep -c 'MULTIMEDIA_PlaySound' "$TRACE" 2>/dev/null; }  # one line per request
# wait_played N SECONDS: waits up to SECONDS for at least N sound requests in the trace.
wait_played() { wait_until "$2" played_at_least "$1"; }
played_at_least() { [ "$(played)" -ge "$1" ]; }

run_with_sound 0 && {
    check "sound on: the saver finds a wave device and plays scene sounds (within 60 s)" \
        wait_played 2 60
    check "sound on: they come from its WAVE resources in memory (SND_MEMORY)" \
        grep -q 'PlaySound.*fdwSound=00000007' "$TRACE"
    xdotool key a
    check "sound on: a key ends the saver with status 0" ends_with 0 30
    cleanup_saver
}
run_with_sound 1 && {
    # As many scenes as above get time to happen; none may sound.
    still_running 8000
    check "sound off: no sound is played ($(played) requests)" [ "$(played)" -eq 0 ]
    xdotool key a
    check "sound off: a key ends the saver with status 0" ends_with 0 30
    cleanup_saver
}

restore_ini
finish
