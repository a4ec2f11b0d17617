// Qt's own Spanish texts for both programs: the file dialogs ("Abrir", "Guardar", "Cancelar") and the
// message-box buttons ("Sí", "No", "Aceptar"). They are loaded whatever the system's locale, since the
// whole program speaks Spanish. Header-only: the updater links nothing of the simulator.
//
//   QApplication app(argc, argv);
//   shared::installQtSpanish();   // nullptr when the translation is not installed: English buttons
#pragma once

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>
#include <QTranslator>

namespace shared {

// Loads qtbase_es.qm from `folder` (Qt's translations folder by default) and installs it in the
// application, which then owns it. Without the file nothing changes and nothing is said.
inline QTranslator* installQtSpanish(const QString& folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath)) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral("qtbase_es"), folder) && QCoreApplication::installTranslator(translator))
        return translator;
    delete translator;
    return nullptr;
}

}  // namespace shared
