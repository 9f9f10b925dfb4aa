#pragma once

#include "reception/HexGrid.h"
#include "reception/Lamp.h"
#include "reception/ReceptionSurface.h"
#include "reception/ResponseRulesFile.h"
#include "settings/SettingsReader.h"

// What reception shows, kept in models no one looks at. The response
// follows ResSetting as the window's options do: 2 is the custom response
// when at least one rule was read.
class HeadlessSurface final : public ReceptionSurface {
public:
    HeadlessSurface(const ReceiveSettings &settings, const ResponseRuleSet &rules)
        : m_settings(settings), m_rules(rules)
    {
    }

    Lamp &recvLed() override { return m_recvLed; }
    Lamp &sendLed() override { return m_sendLed; }
    HexGrid &recvGrid() override { return m_recvGrid; }
    HexGrid &sendGrid() override { return m_sendGrid; }
    void setLastRecvDateTime(const LocalTime &) override {}
    void setLastSentDateTime(const LocalTime &) override {}
    void setRecvButtonCaption(const QString &) override {}
    ResponseOption selectedResponse() const override;

private:
    // A lamp that only keeps its colour.
    class PlainLamp final : public Lamp {
    public:
        int BackColor() const override { return m_color; }
        void setBackColor(int color) override { m_color = color; }

    private:
        int m_color = lampcolor::Black;
    };

    const ReceiveSettings &m_settings;
    const ResponseRuleSet &m_rules;
    PlainLamp m_recvLed;
    PlainLamp m_sendLed;
    HexGrid m_recvGrid;
    HexGrid m_sendGrid;
};
