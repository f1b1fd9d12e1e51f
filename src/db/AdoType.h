#pragma once

#include <QMetaType>

// Column type codes as the program's definitions store them (CustomizeField
// DataType, list definition files): the ADO DataTypeEnum numbers. Only three
// families matter to the program: text, integer and floating.
namespace AdoType {

constexpr int BStr = 8;
constexpr int Binary = 128;
constexpr int Char = 129;
constexpr int WChar = 130;
constexpr int VarChar = 200; // also the default when a type is unknown
constexpr int LongVarChar = 201;
constexpr int VarWChar = 202;
constexpr int LongVarWChar = 203;
constexpr int VarBinary = 204;
constexpr int LongVarBinary = 205;

constexpr int SmallInt = 2;
constexpr int Integer = 3;
constexpr int Single = 4;
constexpr int Double = 5;
constexpr int Boolean = 11;
constexpr int BigInt = 20;
constexpr int Date = 7;
constexpr int DBTimeStamp = 135;

constexpr bool IsText(int code) {
    switch (code) {
    case BStr:
    case Binary:
    case Char:
    case WChar:
    case VarChar:
    case LongVarChar:
    case VarWChar:
    case LongVarWChar:
    case VarBinary:
    case LongVarBinary:
        return true;
    default:
        return false;
    }
}

constexpr bool IsFloating(int code) {
    return code == Single || code == Double;
}

// Every code that is neither text nor floating counts as an integer.
constexpr bool IsInteger(int code) {
    return !IsText(code) && !IsFloating(code);
}

// The code reported for a column of a result, from the Qt type the driver gives
// it. Integers of every width report 3 and exact decimals 5, so that callers that
// compare with the three codes of the program's definitions see what they expect.
inline int FromMetaType(int metaTypeId) {
    switch (metaTypeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return Integer;
    case QMetaType::Bool:
        return Boolean;
    case QMetaType::Float:
        return Single;
    case QMetaType::Double:
        return Double;
    case QMetaType::QByteArray:
        return LongVarBinary;
    case QMetaType::QDate:
        return Date;
    case QMetaType::QDateTime:
    case QMetaType::QTime:
        return DBTimeStamp;
    default:
        return VarChar;
    }
}

} // namespace AdoType
