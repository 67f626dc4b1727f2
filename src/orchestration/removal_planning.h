// What happens between the operator's click on "Remove" or "Remove All" and the
// start of the removal run: the questions, the client rule, the products that
// go with the client, and the order. Pure functions, usable without a window.
#pragma once

#include "products/catalogue.h"

#include <windows.h>

#include <set>
#include <string>
#include <vector>

// The confirmation box: OK and Cancel, Cancel the default, no icon.
extern const char* const kConfirmRemovalCaption;
constexpr UINT kConfirmRemovalFlags = MB_OKCANCEL | MB_DEFBUTTON2;

// The client rule's refusal box.
extern const char* const kClientDependantsCaption;
constexpr UINT kClientDependantsFlags = MB_ICONERROR;

// "Remove": names the product when one is selected, else gives the count.
std::string RemoveSelectionQuestion(const std::set<ZEMProduct*>& selection);
// "Remove All": the number of listed products.
std::string RemoveAllQuestion(size_t listed);

struct RemovalPlan {
    // Not empty when the client rule refuses; then nothing is to be removed.
    std::string refusal;
    // The products to remove, dependants added, in the fixed removal order.
    std::vector<ZEMProduct*> order;

    bool Refused() const { return !refusal.empty(); }
};

// `chosen` are the products the operator asked for, `installed` the products
// the list holds (what the detection found and no run has removed since).
RemovalPlan PlanRemoval(const std::set<ZEMProduct*>& chosen, const std::set<ZEMProduct*>& installed,
                        const ProductCatalogue& catalogue);
