// A k-d tree in one array: the range [begin, end) holds its median at the
// middle, the points below it on the range's axis before, the others after.
#include "metadata/kd_tree.h"

#include <algorithm>

namespace metadata {

namespace {

double SquaredDistance(const KdTree::Point& a, const KdTree::Point& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
    return sum;
}

}  // namespace

KdTree::KdTree(const std::vector<Point>& points) {
    nodes_.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) nodes_.push_back({points[i], i});
    Build(0, nodes_.size(), 0);
}

void KdTree::Build(std::size_t begin, std::size_t end, int axis) {
    if (end - begin < 2) return;
    const std::size_t middle = begin + (end - begin) / 2;
    std::nth_element(
        nodes_.begin() + static_cast<std::ptrdiff_t>(begin),
        nodes_.begin() + static_cast<std::ptrdiff_t>(middle),
        nodes_.begin() + static_cast<std::ptrdiff_t>(end),
        [axis](const Node& a, const Node& b) { return a.point[axis] < b.point[axis]; });
    const int next = (axis + 1) % 3;
    Build(begin, middle, next);
    Build(middle + 1, end, next);
}

KdTree::Found KdTree::Nearest(const Point& query) const {
    Found best;
    Search(0, nodes_.size(), 0, query, best);
    return best;
}

void KdTree::Search(std::size_t begin, std::size_t end, int axis, const Point& query,
                    Found& best) const {
    if (begin >= end) return;
    const std::size_t middle = begin + (end - begin) / 2;
    const Node& node = nodes_[middle];
    const double distance = SquaredDistance(node.point, query);
    if (distance < best.squared_distance) best = {node.index, distance};
    const double offset = query[axis] - node.point[axis];
    const int next = (axis + 1) % 3;
    // The side the query is on first; the other only when the splitting
    // plane is nearer than the best found.
    if (offset < 0) {
        Search(begin, middle, next, query, best);
        if (offset * offset < best.squared_distance) Search(middle + 1, end, next, query, best);
    } else {
        Search(middle + 1, end, next, query, best);
        if (offset * offset < best.squared_distance) Search(begin, middle, next, query, best);
    }
}

}  // namespace metadata
