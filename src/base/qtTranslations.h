#pragma once

class QCoreApplication;

namespace base {

// The library's own texts (file dialogs, standard buttons, a text field's
// menu) in German, as the rest of the program. Without Debian's translations
// installed they stay English; nothing else changes.
bool installQtTranslations(QCoreApplication& application);

} // namespace base
