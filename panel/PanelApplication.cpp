#include "PanelApplication.h"

#include "Artwork.h"
#include "FormBuilder.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>

namespace PanelApplication {

void Init() {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(FormBuilder::DialogFont());
    QApplication::setApplicationName(QStringLiteral("QV7310"));
    // One icon for the main window and both dialogs, loaded once.
    QApplication::setWindowIcon(Artwork::WindowIcon());
}

} // namespace PanelApplication
