#include "models/DebugOpenScreenParser.h"

namespace verandel {

std::optional<DebugOpenScreenTarget> DebugOpenScreenParser::parse(const QString &value)
{
    const QString word = value.toLower();
    if (word == u"general" || word == u"settings") {
        return SettingsTab::General;
    }
    if (word == u"connected-macs" || word == u"connectedmacs" || word == u"macs") {
        return SettingsTab::ConnectedMacs;
    }
    if (word == u"devices") {
        return SettingsTab::Devices;
    }
    if (word == u"toolbar" || word == u"control-center" || word == u"controlcenter") {
        return ControlCenterScreen{};
    }
    return std::nullopt;
}

} // namespace verandel
