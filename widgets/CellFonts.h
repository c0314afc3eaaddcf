#pragma once

#include "widgets/Collection.h"

#include <QFont>
#include <QString>

namespace quillon::widgets {

// A font of a string grid kept under a name, by which cell parameters use it.
class TSCGCellFont : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;

    const QString& Name() const { return name_; }
    void setName(const QString& value) { assign(name_, value); }
    const QFont& Font() const { return font_; }
    void setFont(const QFont& value) { assign(font_, value); }

private:
    QString name_;
    QFont font_;
};

// The named fonts of a string grid.
class TSCGCellFonts : public TCollection<TSCGCellFont> {
public:
    using TCollection::TCollection;

    // The font of the first entry with that name, or null when there is none
    // (an empty name never names a font).
    const QFont* Find(const QString& name) const {
        if (name.isEmpty())
            return nullptr;
        for (int i = 0; i < Count(); ++i)
            if (Items(i).Name() == name)
                return &Items(i).Font();
        return nullptr;
    }
};

} // namespace quillon::widgets
