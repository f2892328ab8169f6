#include "Actions.h"

#include <array>

const QString& Actions::Text(Id id) {
    static const std::array<QString, Count> texts = [] {
        std::array<QString, Count> t;
        for (std::size_t k = 0; k < t.size(); ++k)
            t[k] = QString::fromLatin1(Table[k].name);
        return t;
    }();
    return texts[static_cast<std::size_t>(id)];
}
