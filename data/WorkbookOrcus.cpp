// .xlsx, .ods and Excel 2003 XML workbooks through orcus; formula cells are
// recalculated, so a formula written without a cached value still counts.
#include "data/WorkbookSheet.h"

#include <ixion/address.hpp>
#include <ixion/cell_access.hpp>
#include <ixion/model_context.hpp>
#include <ixion/types.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xls_xml.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/document.hpp>
#include <orcus/spreadsheet/factory.hpp>
#include <orcus/spreadsheet/sheet.hpp>

#include <exception>
#include <memory>
#include <string_view>

namespace {
QString FromView(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString CellText(const ixion::model_context& model, const ixion::abs_address_t& address)
{
    const ixion::cell_access cell = model.get_cell_access(address);
    switch (cell.get_value_type()) {
    case ixion::cell_value_t::string:
        return FromView(cell.get_string_value());
    case ixion::cell_value_t::numeric:
        return WorkbookNumberText(cell.get_numeric_value());
    case ixion::cell_value_t::boolean:
        return cell.get_boolean_value() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case ixion::cell_value_t::error:
        return FromView(ixion::get_formula_error_name(cell.get_error_value()));
    default:
        return {};
    }
}
}  // namespace

bool ReadOrcusFirstSheet(const QByteArray& bytes, TOrcusFormat format, TSheetCells* cells,
                         QString* error)
{
    try {
        orcus::spreadsheet::document doc({1048576, 16384});
        orcus::spreadsheet::import_factory factory(doc);
        std::unique_ptr<orcus::iface::import_filter> filter;
        switch (format) {
        case TOrcusFormat::Xlsx:
            filter = std::make_unique<orcus::orcus_xlsx>(&factory);
            break;
        case TOrcusFormat::Ods:
            filter = std::make_unique<orcus::orcus_ods>(&factory);
            break;
        case TOrcusFormat::XlsXml:
            filter = std::make_unique<orcus::orcus_xls_xml>(&factory);
            break;
        }
        filter->read_stream(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
        doc.recalc_formula_cells();

        if (doc.get_sheet_count() == 0) return true;  // no cells: the caller says "empty"
        const orcus::spreadsheet::sheet* sheet = doc.get_sheet(0);
        const ixion::abs_range_t range = sheet->get_data_range();
        if (!range.valid()) return true;
        const qint64 rows = range.last.row - range.first.row + 1;
        const qint64 cols = range.last.column - range.first.column + 1;
        if (!UsedRangeFits(rows, cols, error)) return false;

        const ixion::model_context& model = doc.get_model_context();
        for (ixion::row_t r = range.first.row; r <= range.last.row; ++r)
            for (ixion::col_t c = range.first.column; c <= range.last.column; ++c) {
                QString text = CellText(model, ixion::abs_address_t(sheet->get_index(), r, c));
                if (!text.isEmpty()) cells->push_back({r, c, std::move(text)});
            }
        return true;
    } catch (const std::bad_alloc&) {
        *error = QStringLiteral("there is not enough memory to read it.");
    } catch (const std::exception& e) {
        *error = QStringLiteral("the workbook is damaged or in a form that cannot be read (%1).")
                     .arg(QString::fromUtf8(e.what()));
    } catch (...) {
        *error = QStringLiteral("the workbook is damaged or in a form that cannot be read.");
    }
    return false;
}
