// The saver's one loop, for every display system: tick timing, a new picture for each view
// whose area, scale or monitor changed, input ending a showing, --ticks, waiting for idle time,
// and the end signals.
#pragma once
#include <cstdint>
#include <string>

#include "animation/sound_effects.h"
#include "animation/surface.h"
#include "linux/idle_source.h"
#include "linux/options.h"
#include "linux/saver_backend.h"
#include "linux/sdl_sound.h"
#include "resources/assets.h"
#include "settings/settings_store.h"

// What every showing of the saver shares: the command line, the sprite sheet and the sound.
struct Saver {
    SaverOptions options;
    std::string iniPath;
    Surface atlas;
    SoundEffects sound;
    SdlSoundPlatform soundPlatform{{{kFallEndWav, kFallEndWavSize},
                                    {kDreamStartWav, kDreamStartWavSize},
                                    {kFallStartWav, kFallStartWavSize}}};
    bool soundSetUp = false;
    uint64_t ticks = 0;  // over all showings, for --ticks

    // Read again for every new picture, so a showing in idle mode picks up changed settings.
    SaverSettings ReadSettings(int32_t stageHeight);
    uint32_t Seed() const;
    // Counts a tick; true when --ticks says the run is over.
    bool CountTick() { return ++ticks == options.ticks; }
};

// SIGTERM, SIGINT and SIGHUP arrive on `fd` (a signalfd); the one that ended the run is left in
// `received`.
struct EndSignals {
    int fd = -1;
    int received = 0;
};

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;

// Prints "tekuteku: message" and returns kExitFailure.
int Fail(const std::string& message);

// Runs the saver on `backend` until it ends: one showing, or with `idle` a showing whenever the
// idle source says so, until a signal or --ticks. Returns the exit status.
int RunSaver(Saver& saver, SaverBackend& backend, IdleSource* idle, EndSignals& signals);
