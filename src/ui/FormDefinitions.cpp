#include "FormDefinitions.h"

namespace {

using enum ControlKind;
using enum FormFontCode;

constexpr std::u16string_view TimePlaceholder = u"--/--/-- --:--:--";

// Listed from top to bottom.
constexpr ControlDefinition MainControls[] = {
    // name, kind, container, caption, {left, top, width, height}, tab place, font
    {"lblNowDateTimeForRecv", Label, nullptr, u"現在時刻：", {3000, 600, 975, 375}, 13, FormDefault},
    {"lblNowDateTimeForRecvData", Label, nullptr, TimePlaceholder, {3960, 600, 1575, 255}, 8, FormDefault},
    {"cmdRecvData", Button, nullptr, u"受信待ち", {6120, 600, 2175, 495}, 2, FormDefault},
    {"lblRcvData", Label, nullptr, u"受信データ", {600, 720, 1575, 375}, 5, F3},
    {"shpRecvLed", Lamp, nullptr, {}, {2400, 720, 375, 255}, NoTabPlace, FormDefault},
    {"lblLastRecvDateTime", Label, nullptr, u"受信時刻：", {3000, 960, 975, 375}, 11, FormDefault},
    {"lblLastRecvDateTimeData", Label, nullptr, TimePlaceholder, {3960, 960, 1575, 255}, 7, FormDefault},
    {"fgrdRecvData", Grid, nullptr, {}, {600, 1320, 8775, 2415}, 4, F4},
    {"fraResSetting", Frame, nullptr, u"応答設定", {5520, 3840, 3855, 735}, 15, FormDefault},
    {"optNothing", Option, "fraResSetting", u"無応答", {120, 240, 855, 375}, 16, FormDefault},
    {"optRcvData", Option, "fraResSetting", u"受信データ", {1200, 240, 1335, 375}, 17, FormDefault},
    {"optCustom", Option, "fraResSetting", u"カスタム", {2520, 240, 1215, 375}, 18, FormDefault},
    {"lblNowDateTimeForSend", Label, nullptr, u"現在時刻：", {3000, 3960, 975, 375}, 14, FormDefault},
    {"lblNowDateTimeForSendData", Label, nullptr, TimePlaceholder, {3960, 3960, 1575, 255}, 10, FormDefault},
    {"lblSendData", Label, nullptr, u"送信データ", {600, 4080, 1575, 375}, 6, F3},
    {"shpSendLed", Lamp, nullptr, {}, {2400, 4080, 375, 255}, NoTabPlace, FormDefault},
    {"lblLastSentDateTime", Label, nullptr, u"送信時刻：", {3000, 4320, 975, 375}, 12, FormDefault},
    {"lblLastSentDateTimeData", Label, nullptr, TimePlaceholder, {3960, 4320, 1575, 255}, 9, FormDefault},
    {"fgrdSendData", Grid, nullptr, {}, {600, 4680, 8775, 2415}, 3, F4},
    {"cmdEnd", Button, nullptr, u"終了", {3960, 7200, 2175, 615}, 0, FormDefault},
    {"sbStatusBar", StatusBar, nullptr, {}, {0, 8205, 9960, 255}, 1, FormDefault},
};

constexpr ControlDefinition ComSettingControls[] = {
    {"lblRcvPort", Label, nullptr, u"受信ポート", {240, 840, 1455, 375}, 3, F2},
    {"lblColon", Label, nullptr, u"：", {2040, 840, 255, 375}, 4, F2},
    {"txtRcvPort", TextBox, nullptr, {}, {2280, 720, 1335, 420}, 2, F1},
    {"cmdApply", Button, nullptr, u"設定", {840, 2040, 1215, 495}, 0, FormDefault},
    {"cmdCancel", Button, nullptr, u"キャンセル", {2640, 2040, 1215, 495}, 1, FormDefault},
};

constexpr FormDefinition MainForm {"frmMain", u"frmMain", {9960, 8460}, MainControls};
constexpr FormDefinition ComSettingForm {"frmUdpRcvComSetting", u"通信設定", {4560, 2835}, ComSettingControls};

} // namespace

const FormDefinition &mainFormDefinition()
{
    return MainForm;
}

const FormDefinition &comSettingFormDefinition()
{
    return ComSettingForm;
}
