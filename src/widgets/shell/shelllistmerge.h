// How a refresh of the shell folder list finds what changed: the rows shown
// and the items the folder holds now are matched through the folder's own
// comparison; unmatched rows are gone, unmatched items are new. Each item
// matches at most one row, so two equal rows and one item leave one row gone.
#pragma once

#include <algorithm>
#include <numeric>
#include <vector>

namespace shell {

struct TScListMerge {
    std::vector<int> Gone;   // indexes of rows shown, ascending
    std::vector<int> Added;  // indexes of items found, ascending
};

// compare(a, b): negative, zero or positive, a total order.
template <class T, class Compare>
TScListMerge MergeFolderItems(const std::vector<T>& shown, const std::vector<T>& found, Compare compare) {
    std::vector<int> order(shown.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(shown[a], shown[b]) < 0; });
    std::vector<bool> matched(shown.size(), false);
    TScListMerge merge;
    for (int i = 0; i < static_cast<int>(found.size()); ++i) {
        auto at = std::lower_bound(order.begin(), order.end(), i,
                                   [&](int row, int item) { return compare(shown[row], found[item]) < 0; });
        while (at != order.end() && compare(shown[*at], found[i]) == 0 && matched[*at]) ++at;
        if (at != order.end() && compare(shown[*at], found[i]) == 0)
            matched[*at] = true;
        else
            merge.Added.push_back(i);
    }
    for (int r = 0; r < static_cast<int>(shown.size()); ++r)
        if (!matched[r]) merge.Gone.push_back(r);
    return merge;
}

}  // namespace shell
