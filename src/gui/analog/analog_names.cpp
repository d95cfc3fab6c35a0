#include "gui/analog/analog_names.h"

#include <array>
#include <utility>

namespace zerka::gui {

QString analogControlTitle(const QString& name) {
    static constexpr std::array<std::pair<const char*, const char*>, 16> kTitles{{
        {"VDDAX", "Analog supply voltage"},
        {"INX0", "ADC input"},
        {"PGA0GN", "PGA gain"},
        {"DCSET0", "DC offset"},
        {"AD0GN", "ADC gain"},
        {"OSR0", "Oversampling ratio"},
        {"ADCS0", "ADC clock divider"},
        {"TXADCOMD", "ADC output format"},
        {"TXADCObit", "ADC output bits"},
        {"CPIH", "Comparator positive input"},
        {"CPIL", "Comparator negative input"},
        {"CPVCS", "Comparator reference source"},
        {"CPVRS", "Comparator reference voltage"},
        {"OP0P", "Op-amp positive input"},
        {"OP0N", "Op-amp negative input"},
        {"OP0M", "Op-amp offset mode"},
    }};
    for (const auto& [key, title] : kTitles)
        if (name == QLatin1String(key)) return QString::fromLatin1(title);
    return name;
}

} // namespace zerka::gui
