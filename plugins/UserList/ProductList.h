#pragma once

class CDataListView_;
class DbConnection;
class Prompt;
class QWidget;

// 产品管理: the configurable list of ProductData, the names the order form
// offers. A first opening writes res/list_ProductData.ini with the columns'
// Chinese captions, which an installation may then edit like any list file.
CDataListView_* OpenProductList(DbConnection& connection, Prompt& prompt,
                                QWidget* parent = nullptr);
