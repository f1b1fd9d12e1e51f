#pragma once

#include "RecipientFilter.h"

#include <QWidget>

class DbConnection;
class Prompt;
class QComboBox;
class QLineEdit;

// The part of a campaign form that says which customers and contacts it
// reaches: 发送对象 (customers, contacts or both), a class of the tree
// (选择分类, 全部), a part of the name, province, city and handler.
class CRecipientFilterBox final : public QWidget {
    Q_OBJECT

public:
    CRecipientFilterBox(Prompt& prompt, DbConnection& connection, const RecipientFilter& filter,
                        QWidget* parent = nullptr);

    QComboBox* SourceBox() const { return source_; }
    QLineEdit* ClassEdit() const { return class_; }
    QLineEdit* NameEdit() const { return name_; }
    QLineEdit* ProvinceEdit() const { return province_; }
    QLineEdit* CityEdit() const { return city_; }
    QLineEdit* HandlerEdit() const { return handler_; }

    // The entries into `filter` (its handler restriction is left alone).
    void Read(RecipientFilter& filter) const;

private:
    void PickCustomerClass();

    Prompt& prompt_;
    DbConnection& connection_;
    QComboBox* source_ = nullptr;
    QLineEdit* class_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* province_ = nullptr;
    QLineEdit* city_ = nullptr;
    QLineEdit* handler_ = nullptr;
};
