#pragma once

#include "kit/IconProvider.h"
#include "models/SettingsTab.h"

#include <QAbstractButton>

namespace verandel {

// One tab in the Settings window's sidebar: its symbol and title, on the accent colour while it is the
// selected tab. A checkable button, so keyboard use and accessibility work as for any button.
class SettingsSidebarRow : public QAbstractButton
{
    Q_OBJECT

public:
    SettingsSidebarRow(SettingsTab tab, IconProviderPtr icons, QWidget *parent = nullptr);

    SettingsTab tab() const { return m_tab; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    SettingsTab m_tab;
    IconProviderPtr m_icons;
};

} // namespace verandel
