#pragma once

#include <QString>

#include <vector>

// The target columns of an import or a configurable form: name, caption,
// default text and ADO type code, in definition order. Every lookup compares
// without regard to case.
class FieldInfoList final {
public:
    struct Field {
        QString name;
        QString caption;
        QString defaultText;
        int type = 200;
    };

    // A type of 0 or less counts as text (200), as definitions leave it out.
    void Add(const QString& name, const QString& caption, const QString& defaultText = QString(),
             int type = 200);
    void Clear() { fields_.clear(); }
    int Count() const { return static_cast<int>(fields_.size()); }
    const Field& At(int index) const { return fields_[index]; }

    // The type of a column; 200 for an unknown name or an empty list.
    int GetType(const QString& name) const;
    // The default text of a column; a null text for an unknown name.
    QString GetDefault(const QString& name) const;
    // For an argument equal to a field's name or caption (the first field that
    // matches wins): its name, or its caption. A null text when none matches.
    QString NameOf(const QString& nameOrCaption) const;
    QString CaptionOf(const QString& nameOrCaption) const;

private:
    const Field* FindByName(const QString& name) const;
    const Field* FindByNameOrCaption(const QString& text) const;

    std::vector<Field> fields_;
};
