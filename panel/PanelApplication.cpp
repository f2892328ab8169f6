#include "PanelApplication.h"

#include "Artwork.h"
#include "FormBuilder.h"
#include "model/Converter.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleFactory>

namespace PanelApplication {

namespace {
// The menu bar builds its overflow button at start-up and asks the style for
// that button's icon, whose image files make Qt load every image format
// plugin. The fixed-size window's four menus always fit, so the button never
// shows: it gets no icon, and start-up loads no plugin.
class PanelStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override {
        if (icon == SP_ToolBarHorizontalExtensionButton)
            return {};
        return QProxyStyle::standardIcon(icon, option, widget);
    }
};
// Qt's own light Fusion palette, the one the panel has where the desktop
// brings none. Fusion's standard palette follows the platform theme (GTK's
// dark one included), so the panel builds its colours itself.
QPalette LightPalette() {
    const QColor window(239, 239, 239);
    const QColor dark = window.darker(150);
    const QColor mid = window.darker(130);
    const QColor shadow = dark.darker(135);
    const QColor disabledText(190, 190, 190);
    QColor placeholder(Qt::black);
    placeholder.setAlpha(128);
    QPalette palette(Qt::black, window, window.lighter(150), dark, mid, Qt::black, Qt::white);
    palette.setColor(QPalette::Midlight, mid.lighter(110));
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::Shadow, shadow);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, placeholder);
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Base, window);
    palette.setColor(QPalette::Disabled, QPalette::Dark, QColor(209, 209, 209).darker(110));
    palette.setColor(QPalette::Disabled, QPalette::Shadow, shadow.lighter(150));
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(48, 140, 198));
    palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(48, 140, 198));
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(145, 145, 145));
    return palette;
}
} // namespace

void Init() {
    FormBuilder::ResolveDialogFamily();
    QApplication::setStyle(new PanelStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
    // One light palette for everything the panel draws: the form paints its
    // own light areas, so text that followed a dark desktop theme would be
    // white on white (menu titles, tab captions, the board status).
    QApplication::setPalette(LightPalette());
    QApplication::setFont(FormBuilder::DialogFont());
    QApplication::setApplicationName(QStringLiteral("QV7310"));
    // Where the output limits are kept: ~/.config/QVPANEL/QV7310.conf.
    QApplication::setOrganizationName(QString::fromLatin1(Converter::Manufacturer));
    // One icon for the main window and both dialogs, loaded once.
    QApplication::setWindowIcon(Artwork::WindowIcon());
}

bool HasDisplay() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

} // namespace PanelApplication
