#pragma once

#include "models/VerandelAppIdentity.h"

#include "kit/IconProvider.h"

#include <QDialog>

namespace verandel {

class TextLabel;

// The About dialog: the logo, the name, the version, the build and the copyright line.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    AboutDialog(IconProviderPtr icons, const AboutPanelOptions &options, QWidget *parent = nullptr);

    TextLabel *nameLabel() const { return m_name; }
    TextLabel *versionLabel() const { return m_version; }
    TextLabel *buildLabel() const { return m_build; }
    TextLabel *copyrightLabel() const { return m_copyright; }

private:
    TextLabel *m_name;
    TextLabel *m_version;
    TextLabel *m_build;
    TextLabel *m_copyright;
};

} // namespace verandel
