#include "ChineseTranslation.h"

#include <QCoreApplication>

ChineseTranslation::ChineseTranslation() {
    loaded_ = translator_.load(QStringLiteral(SKIMMER_QM_FILE)) &&
              QCoreApplication::installTranslator(&translator_);
}

ChineseTranslation::~ChineseTranslation() {
    if (loaded_) QCoreApplication::removeTranslator(&translator_);
}
