#include "db/FieldInfoList.h"

namespace {

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

void FieldInfoList::Add(const QString& name, const QString& caption, const QString& defaultText,
                        int type) {
    fields_.push_back(Field{name, caption, defaultText, type > 0 ? type : 200});
}

int FieldInfoList::GetType(const QString& name) const {
    const Field* field = FindByName(name);
    return field ? field->type : 200;
}

QString FieldInfoList::GetDefault(const QString& name) const {
    const Field* field = FindByName(name);
    if (!field)
        return QString();
    // A known field always answers a non-null text, so callers can tell "no
    // default" from "no such field".
    return field->defaultText.isNull() ? QStringLiteral("") : field->defaultText;
}

QString FieldInfoList::NameOf(const QString& nameOrCaption) const {
    const Field* field = FindByNameOrCaption(nameOrCaption);
    return field ? field->name : QString();
}

QString FieldInfoList::CaptionOf(const QString& nameOrCaption) const {
    const Field* field = FindByNameOrCaption(nameOrCaption);
    return field ? field->caption : QString();
}

const FieldInfoList::Field* FieldInfoList::FindByName(const QString& name) const {
    for (const Field& field : fields_) {
        if (SameName(field.name, name))
            return &field;
    }
    return nullptr;
}

const FieldInfoList::Field* FieldInfoList::FindByNameOrCaption(const QString& text) const {
    for (const Field& field : fields_) {
        if (SameName(field.name, text) || SameName(field.caption, text))
            return &field;
    }
    return nullptr;
}
