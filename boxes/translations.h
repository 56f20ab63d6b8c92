#pragma once

// Qt's own Chinese (simplified, PRC) for what Qt draws itself, the file-open
// dialog above all, so the platform's dialogs speak the window's language
// whatever the system's. Needs a QApplication; without the translations
// installed (Debian's qt6-translations-l10n) Qt's English stays. Safe to call
// more than once.
void installChineseTranslations();
