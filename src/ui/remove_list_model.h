// The dialog's list of installed products: one row per product, "Name" and
// "Version", the selection and focus by product, and the column settings.
#pragma once

#include "products/zem_product.h"
#include "ui/list_ctrl_model.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

class RemoveListModel : public DefaultListCtrlModel,
                        public ListCtrlMap<ZEMProduct*>,
                        public DefaultListCtrlSelectionModel<ZEMProduct*, std::less<ZEMProduct*>>,
                        public DefaultListCtrlColumnSettingsModel {
public:
    RemoveListModel();

    // Replaces the rows by `products`, in that order. Names and versions are
    // copied now, so the view never calls a product while a run uses it.
    // Selected or focused products that are no longer listed are dropped.
    void SetProducts(const std::vector<ZEMProduct*>& products);
    // Keeps, in their order, the rows whose product is not in `gone`.
    void RemoveProducts(const std::set<ZEMProduct*>& gone);

    const std::vector<ZEMProduct*>& Products() const { return products_; }
    std::set<ZEMProduct*> SelectedProducts() const;

    int RowCount() const override;
    int ColumnCount() const override;
    std::string HeaderText(int column) const override;
    std::string CellText(int row, int column) const override;
    COLORREF TextColour(int row, int column) const override;
    std::string EmptyText() const override;

    ZEMProduct* ItemAt(int row) const override;

    int DefaultColumnWidth() const override;
    std::optional<int> DefaultPrimarySortColumn() const override;

private:
    std::vector<ZEMProduct*> products_;
    // (name, version) per row.
    std::vector<std::pair<std::string, std::string>> texts_;
};
