#pragma once

class QCoreApplication;

namespace qm {

// Loads Qt's own Japanese translations, so the standard dialogs (file,
// colour, font, message boxes) and the buttons Qt labels itself speak
// Japanese. False when the translation file is not installed; the program
// then runs with Qt's English texts.
bool InstallJapaneseTranslations(QCoreApplication& application);

} // namespace qm
