#pragma once
// The foods list as maintainers edit it: a UTF-8 CSV file whose header is exactly
// FoodName,FoodOtherName,FoodHot,FoodQuantity, one food a line, fields quoted as in RFC 4180.

#include "fooddb/jet4_writer.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The FoodData table for the CSV content, rows in file order (an empty other name becomes NULL),
// or nothing with *error saying which line is wrong and why.
std::optional<jet4::Table> ReadFoodsCsv(const QByteArray& content, QString* error);
