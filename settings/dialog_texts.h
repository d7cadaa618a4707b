// The settings dialog's texts, in Japanese (UTF-8), for the dialogs that are not the Windows one:
// the Windows dialog keeps the same texts in its resource script (resources/tekuteku.rc), in
// its own code page and with '&' before each access key.
#pragma once
#include "settings/rules.h"

constexpr const char* kDialogTitle = "てくてくポルッカの設定";
constexpr const char* kOkText = "OK";
constexpr const char* kCancelText = "キャンセル";

struct SettingTexts {
    const char* group;  // the title of the setting's group
    char accessKey;     // Alt and this key go to the setting
    // The labels of the values in stored order, for a setting chosen among words.
    const char* const* choices;
};

inline constexpr const char* kEventChoices[kEventLevels] = {"高い", "普通", "低い"};
inline constexpr const char* kSoundChoices[] = {"オン", "オフ"};  // SE 0, SE 1

// In the order of kSettingRules.
inline constexpr SettingTexts kSettingTexts[kSettingCount] = {
    {"移動速度", 'P', nullptr},
    {"ポルッカの数", 'N', nullptr},
    {"イベントの起こる確率", 'E', kEventChoices},
    {"効果音", 'S', kSoundChoices},
};
constexpr const SettingTexts& TextsFor(Setting setting) {
    return kSettingTexts[static_cast<int>(setting)];
}

// The ends of the speed bar.
constexpr const char* kSpeedSlowText = "遅い";
constexpr const char* kSpeedFastText = "速い";
// Beside the count: the range it may take, "ポルッカの数(1～3)" (a printf format for the limit).
constexpr const char* kCountRangeFormat = "ポルッカの数(1～%d)";
