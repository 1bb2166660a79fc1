// The simulated NetWeaver library's data containers: a function's
// parameters, tables and structures, moving through a table's rows, and
// setting and reading fields.
#include <memory>
#include <optional>
#include <string>

#include "nwrfc_library.h"
#include "nwrfc_model.h"
#include "sim_answers.h"
#include "sim_config.h"
#include "sim_functions.h"
#include "sim_unicode.h"

using rfcsim::nw::Error;
using rfcsim::nw::FieldDef;
using rfcsim::nw::MakeError;

namespace rfcsim {
namespace {

// A field of a container (a function's parameter, or a field of a table's
// current row or of a structure), or the error of asking for it.
Error Lookup(NwRfcDataContainer* container, const SAP_UC* name, FieldDef* field) {
  if (container == nullptr) return InvalidHandle("data container");
  std::string shown = nw::Narrow(name);
  bool found = false;
  if (container->function != nullptr) {
    if (const ParamSpec* param = container->function->FindParam(shown)) {
      *field = FieldDef{param->name, param->type, param->length, -1};
      found = true;
    }
  } else if (container->rows) {
    const RowType* type = container->rows->type();
    int index = shown.empty() ? -1 : type->FieldIndex(shown);
    if (index >= 0) {
      const FieldSpec& spec = type->fields[index];
      *field = FieldDef{spec.name, spec.type, spec.length, index};
      found = true;
    }
  }
  if (!found) return MakeError(RFC_INVALID_PARAMETER, "field '" + shown + "' not found");
  if (container->isTable && container->current >= container->rows->Count()) {
    return MakeError(RFC_ILLEGAL_STATE, "table has no current row");
  }
  return Error();
}

std::u16string CharValue(NwRfcDataContainer& container, const FieldDef& field) {
  if (field.index < 0) {
    auto it = container.chars.find(field.name);
    return it == container.chars.end() ? std::u16string() : it->second;
  }
  // A structure before its answer is blank.
  if (container.current >= container.rows->Count()) return std::u16string();
  return container.rows->Wide(container.current, static_cast<std::size_t>(field.index));
}

long long IntValue(NwRfcDataContainer& container, const FieldDef& field) {
  int digits = 0;
  if (field.type == AbapType::kNum) {
    ParseInt(Utf16ToLatin1(CharValue(container, field)), &digits);
    return digits;
  }
  if (field.index < 0) {
    auto it = container.ints.find(field.name);
    return it == container.ints.end() ? 0 : it->second;
  }
  if (container.current >= container.rows->Count()) return 0;
  std::optional<FieldValue> value =
      container.rows->Value(container.current, static_cast<std::size_t>(field.index));
  return value ? value->number : 0;
}

// A row type of the function's table or structured parameter `name`.
const RowType* TableType(const FunctionSpec& function, std::string_view name) {
  const TableSpec* table = function.FindTable(name);
  return table ? table->rowType : nullptr;
}
const RowType* StructureType(const FunctionSpec& function, std::string_view name) {
  const ParamSpec* param = function.FindParam(name);
  return param && param->type == AbapType::kStructure ? param->structure : nullptr;
}

// RfcGetTable and RfcGetStructure: the function's table or structure
// `name`, made empty when first asked for.
RFC_RC GetPart(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name, DATA_CONTAINER_HANDLE* handle,
               bool table, RFC_ERROR_INFO* errorInfo) {
  NwRfcDataContainer* function = Live(dataHandle);
  if (function == nullptr) return Report(InvalidHandle("data container"), errorInfo);
  std::string shown = nw::Narrow(name);
  const RowType* type = nullptr;
  if (function->function != nullptr) {
    type =
        table ? TableType(*function->function, shown) : StructureType(*function->function, shown);
  }
  if (type == nullptr || handle == nullptr) {
    return Report(MakeError(RFC_INVALID_PARAMETER, "field '" + shown + "' not found"), errorInfo);
  }
  std::unique_ptr<NwRfcDataContainer>& slot = function->tables[shown];
  if (!slot) {
    slot = std::make_unique<NwRfcDataContainer>();
    slot->isTable = table;
    slot->rows = std::make_shared<CellRows>(type);
    Lib().containers.insert(slot.get());
  }
  *handle = slot.get();
  return Report(Error(), errorInfo);
}

// Sets a field of a function's parameters or of a table's current row.
Error SetText(NwRfcDataContainer& container, const FieldDef& field, std::u16string value) {
  if (field.index < 0) {
    container.chars[field.name] = std::move(value);
    return Error();
  }
  auto* rows = dynamic_cast<CellRows*>(container.rows.get());
  if (rows == nullptr || !container.isTable) {
    return MakeError(RFC_ILLEGAL_STATE, std::string("field ") + field.name + " cannot be set");
  }
  rows->Set(container.current, static_cast<std::size_t>(field.index), std::move(value));
  return Error();
}

}  // namespace
}  // namespace rfcsim

using namespace rfcsim;

// The exported entry points. Each keeps C++ exceptions (only an exhausted
// memory can raise one here) from crossing into a C caller.

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcSetChars(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                              const RFC_CHAR* charValue, unsigned valueLength,
                                              RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcSetChars)) return Report(Simulated("RfcSetChars"), errorInfo);
    FieldDef field{};
    NwRfcDataContainer* container = Live(dataHandle);
    Error error = Lookup(container, name, &field);
    if (error.code != RFC_OK) return Report(error, errorInfo);
    if (!IsCharLike(field.type)) {
      return Report(MakeError(RFC_CONVERSION_FAILURE,
                              std::string("field ") + field.name + " is not a character field"),
                    errorInfo);
    }
    if (valueLength > field.length || (charValue == nullptr && valueLength > 0)) {
      return Report(
          MakeError(RFC_CONVERSION_FAILURE, std::string("value of ") + std::to_string(valueLength) +
                                                " characters does not fit field " + field.name +
                                                " (" + std::to_string(field.length) + ")"),
          errorInfo);
    }
    return Report(
        SetText(*container, field,
                PadOrCutWide(std::u16string_view(charValue ? charValue : u"", valueLength),
                             field.length)),
        errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetTable(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                              RFC_TABLE_HANDLE* tableHandle,
                                              RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcGetTable)) return Report(Simulated("RfcGetTable"), errorInfo);
    return GetPart(dataHandle, name, tableHandle, true, errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetStructure(DATA_CONTAINER_HANDLE dataHandle,
                                                  const SAP_UC* name,
                                                  RFC_STRUCTURE_HANDLE* structHandle,
                                                  RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcGetStructure)) return Report(Simulated("RfcGetStructure"), errorInfo);
    return GetPart(dataHandle, name, structHandle, false, errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcSetInt(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                            RFC_INT value, RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcSetInt)) return Report(Simulated("RfcSetInt"), errorInfo);
    FieldDef field{};
    NwRfcDataContainer* container = Live(dataHandle);
    Error error = Lookup(container, name, &field);
    if (error.code != RFC_OK) return Report(error, errorInfo);
    if (!IsInteger(field.type)) {
      return Report(MakeError(RFC_CONVERSION_FAILURE,
                              std::string("field ") + field.name + " is not an integer field"),
                    errorInfo);
    }
    if (field.index < 0) {
      container->ints[field.name] = value;
      return Report(Error(), errorInfo);
    }
    return Report(SetText(*container, field, Latin1ToUtf16(std::to_string(value))), errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_STRUCTURE_HANDLE NWRFC_CALL RfcAppendNewRow(RFC_TABLE_HANDLE tableHandle,
                                                                RFC_ERROR_INFO* errorInfo) {
  try {
    NwRfcDataContainer* table = Live(tableHandle);
    auto* rows = table && table->isTable ? dynamic_cast<CellRows*>(table->rows.get()) : nullptr;
    if (rows == nullptr) {
      Report(InvalidHandle("table"), errorInfo);
      return nullptr;
    }
    table->current = static_cast<unsigned>(rows->Append());
    Report(Error(), errorInfo);
    return table;
  } catch (...) {
    Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
    return nullptr;
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetRowCount(RFC_TABLE_HANDLE tableHandle, unsigned* rowCount,
                                                 RFC_ERROR_INFO* errorInfo) {
  if (Fails(kOpRfcGetRowCount)) return Report(Simulated("RfcGetRowCount"), errorInfo);
  NwRfcDataContainer* table = Live(tableHandle);
  if (table == nullptr || !table->isTable) {
    return Report(InvalidHandle("table"), errorInfo);
  }
  if (rowCount == nullptr) {
    return Report(MakeError(RFC_INVALID_PARAMETER, "no place for the row count"), errorInfo);
  }
  *rowCount = static_cast<unsigned>(table->rows->Count());
  return Report(Error(), errorInfo);
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcMoveTo(RFC_TABLE_HANDLE tableHandle, unsigned index,
                                            RFC_ERROR_INFO* errorInfo) {
  if (Fails(kOpRfcMoveTo)) return Report(Simulated("RfcMoveTo"), errorInfo);
  NwRfcDataContainer* table = Live(tableHandle);
  if (table == nullptr || !table->isTable) {
    return Report(InvalidHandle("table"), errorInfo);
  }
  if (index >= table->rows->Count()) {
    return Report(MakeError(RFC_TABLE_MOVE_EOF, "row " + std::to_string(index) + " of " +
                                                    std::to_string(table->rows->Count())),
                  errorInfo);
  }
  table->current = index;
  return Report(Error(), errorInfo);
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetChars(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                              RFC_CHAR* charBuffer, unsigned bufferLength,
                                              RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcGetChars)) return Report(Simulated("RfcGetChars"), errorInfo);
    FieldDef field{};
    NwRfcDataContainer* container = Live(dataHandle);
    Error error = Lookup(container, name, &field);
    if (error.code == RFC_OK) {
      error =
          nw::WriteChars(IsCharLike(field.type) ? CharValue(*container, field) : std::u16string(),
                         field, charBuffer, bufferLength);
    }
    return Report(error, errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetInt(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                            RFC_INT* value, RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcGetInt)) return Report(Simulated("RfcGetInt"), errorInfo);
    FieldDef field{};
    NwRfcDataContainer* container = Live(dataHandle);
    Error error = Lookup(container, name, &field);
    if (error.code != RFC_OK) return Report(error, errorInfo);
    if ((!IsInteger(field.type) && field.type != AbapType::kNum) || value == nullptr) {
      return Report(MakeError(RFC_CONVERSION_FAILURE,
                              std::string("field ") + field.name + " is not an integer field"),
                    errorInfo);
    }
    *value = static_cast<RFC_INT>(IntValue(*container, field));
    return Report(Error(), errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

namespace {

// The program loads these by name into pointers of the interface's types; a
// signature that drifted from the interface should stop the build here.
[[maybe_unused]] constexpr NwRfcSetCharsFn kSetChars = &RfcSetChars;
[[maybe_unused]] constexpr NwRfcGetTableFn kGetTable = &RfcGetTable;
[[maybe_unused]] constexpr NwRfcGetStructureFn kGetStructure = &RfcGetStructure;
[[maybe_unused]] constexpr NwRfcSetIntFn kSetInt = &RfcSetInt;
[[maybe_unused]] constexpr NwRfcGetRowCountFn kGetRowCount = &RfcGetRowCount;
[[maybe_unused]] constexpr NwRfcAppendNewRowFn kAppendNewRow = &RfcAppendNewRow;
[[maybe_unused]] constexpr NwRfcMoveToFn kMoveTo = &RfcMoveTo;
[[maybe_unused]] constexpr NwRfcGetCharsFn kGetChars = &RfcGetChars;
[[maybe_unused]] constexpr NwRfcGetIntFn kGetInt = &RfcGetInt;

}  // namespace
