#include "PanelApplication.h"

#include "Artwork.h"
#include "Converter.h"
#include "FormBuilder.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QProxyStyle>
#include <QStyleFactory>

namespace PanelApplication {

namespace {
// The menu bar builds its overflow button at start-up and asks the style for
// that button's icon, whose image files make Qt load every image format
// plugin. The fixed-size window's two menus always fit, so the button never
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
} // namespace

void Init() {
    FormBuilder::ResolveDialogFamily();
    QApplication::setStyle(new PanelStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
    // One light palette for everything the panel draws: the form paints its
    // own light areas, so text that followed a dark desktop theme would be
    // white on white (menu titles, tab captions, the board status).
    QApplication::setPalette(QApplication::style()->standardPalette());
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
