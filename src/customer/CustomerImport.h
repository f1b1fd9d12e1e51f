#pragma once

#include "framework/CsvImport.h"

class DbConnection;
class Prompt;
class QWidget;

// The targets of a customer import: the fifteen columns of CustomerData a
// file may fill, each with the caption the mapping dialog shows, then the
// user-defined columns of CustomerData with their captions and types. False
// with `error` when the user-defined columns cannot be read.
bool CustomerImportTargets(DbConnection& connection, FieldInfoList& targets, QString& error);

// The customer import of the customer search view: file, mapping dialog,
// rows numbered from the largest KeyId + 1 with LastTime and RegTime set to
// now (so the new customers come first in the lists), every failed row listed
// with its line at the end beside the count.
CsvImportResult ImportCustomers(Prompt& prompt, DbConnection& connection, QWidget* parent);
