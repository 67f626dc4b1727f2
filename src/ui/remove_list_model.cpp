#include "ui/remove_list_model.h"

#include <algorithm>

RemoveListModel::RemoveListModel() : DefaultListCtrlSelectionModel(*this, *this)
{
}

void RemoveListModel::SetProducts(const std::vector<ZEMProduct*>& products)
{
    std::vector<std::pair<std::string, std::string>> texts;
    texts.reserve(products.size());
    for (ZEMProduct* product : products)
        texts.emplace_back(product->Name(), product->Version().value_or("unknown"));
    products_ = products;
    texts_ = std::move(texts);

    // A product that left the rows cannot stay selected or focused: the
    // dialog would offer to remove what it no longer lists.
    const std::set<ZEMProduct*> listed(products_.begin(), products_.end());
    const Forgotten forgotten = ForgetItemsNotIn([&](ZEMProduct* product) { return listed.count(product) != 0; });

    NotifyModelChanged();
    if (forgotten.selection)
        NotifySelectionChanged(std::set<int>());
    if (forgotten.focus)
        NotifyFocusChanged(std::nullopt);
}

void RemoveListModel::RemoveProducts(const std::set<ZEMProduct*>& gone)
{
    std::vector<ZEMProduct*> kept;
    std::copy_if(products_.begin(), products_.end(), std::back_inserter(kept),
                 [&](ZEMProduct* product) { return gone.count(product) == 0; });
    SetProducts(kept);
}

std::set<ZEMProduct*> RemoveListModel::SelectedProducts() const
{
    return std::set<ZEMProduct*>(SelectedItems().begin(), SelectedItems().end());
}

int RemoveListModel::RowCount() const
{
    return static_cast<int>(products_.size());
}

int RemoveListModel::ColumnCount() const
{
    return 2;
}

std::string RemoveListModel::HeaderText(int column) const
{
    switch (column) {
    case 0:
        return "Name";
    case 1:
        return "Version";
    default:
        return std::string();
    }
}

std::string RemoveListModel::CellText(int row, int column) const
{
    const auto& texts = texts_.at(static_cast<size_t>(row));
    switch (column) {
    case 0:
        return texts.first;
    case 1:
        return texts.second;
    default:
        return std::string();
    }
}

COLORREF RemoveListModel::TextColour(int, int) const
{
    return RGB(0, 0, 0);
}

std::string RemoveListModel::EmptyText() const
{
    return "No installed products found.";
}

ZEMProduct* RemoveListModel::ItemAt(int row) const
{
    return products_.at(static_cast<size_t>(row));
}

int RemoveListModel::DefaultColumnWidth() const
{
    return 150;
}

std::optional<int> RemoveListModel::DefaultPrimarySortColumn() const
{
    return 0;
}
