#pragma once

// The nearest of many fixed points in space, found in logarithmic time: a
// k-d tree kept in one array, each range's median at its middle.
#include <array>
#include <cstddef>
#include <limits>
#include <vector>

namespace metadata {

class KdTree {
public:
    using Point = std::array<double, 3>;
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

    explicit KdTree(const std::vector<Point>& points);

    struct Found {
        std::size_t index = kNone;  // in the points given, kNone for none
        double squared_distance = std::numeric_limits<double>::infinity();
    };
    Found Nearest(const Point& query) const;

    std::size_t size() const { return nodes_.size(); }

private:
    struct Node {
        Point point;
        std::size_t index;
    };
    void Build(std::size_t begin, std::size_t end, int axis);
    void Search(std::size_t begin, std::size_t end, int axis, const Point& query,
                Found& best) const;

    std::vector<Node> nodes_;
};

}  // namespace metadata
