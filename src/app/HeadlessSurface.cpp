#include "HeadlessSurface.h"

ResponseOption HeadlessSurface::selectedResponse() const
{
    switch (m_settings.ResMode) {
    case 0:
        return ResponseOption::Nothing;
    case 1:
        return ResponseOption::RcvData;
    case 2:
        return m_rules.empty() ? ResponseOption::None : ResponseOption::Custom;
    default:
        return ResponseOption::None;
    }
}
