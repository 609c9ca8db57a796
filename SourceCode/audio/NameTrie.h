#pragma once
// A map from names to values in which every character of a name is one step
// down a tree, so a lookup costs one step per character. Any byte may appear
// in a name. Nodes live in one array and refer to their children by index,
// so emptying the tree is one release, whatever the length of the names.
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

template <class Value>
class NameTrie {
public:
    NameTrie() : nodes(1) {}

    // The value stored under name, or a default value (null) when none was.
    // The empty name has the root's value.
    Value Find(std::string_view name) const {
        std::uint32_t node = 0;
        for (char c : name) {
            node = ChildOf(node, static_cast<unsigned char>(c));
            if (node == kNone) return Value{};
        }
        return nodes[node].value;
    }

    // Stores value under name, replacing what was there.
    void Insert(std::string_view name, Value value) {
        std::uint32_t node = 0;
        for (char c : name) {
            const auto key = static_cast<unsigned char>(c);
            std::uint32_t child = ChildOf(node, key);
            if (child == kNone) {
                child = static_cast<std::uint32_t>(nodes.size());
                nodes.emplace_back();
                nodes[node].children.emplace_back(key, child);
            }
            node = child;
        }
        nodes[node].value = std::move(value);
    }

    // Forgets every name.
    void Clear() {
        nodes.clear();
        nodes.emplace_back();
    }

    std::size_t NodeCount() const { return nodes.size(); }

    // How many nodes Insert(name, ...) would add: one per character past
    // the longest beginning of name that is already in the tree.
    std::size_t NewNodesFor(std::string_view name) const {
        std::uint32_t node = 0;
        for (std::size_t i = 0; i < name.size(); ++i) {
            node = ChildOf(node, static_cast<unsigned char>(name[i]));
            if (node == kNone) return name.size() - i;
        }
        return 0;
    }

private:
    static constexpr std::uint32_t kNone = 0;  // the root is nobody's child

    struct Node {
        Value value{};
        std::vector<std::pair<unsigned char, std::uint32_t>> children;
    };

    std::uint32_t ChildOf(std::uint32_t node, unsigned char key) const {
        for (const auto& [character, child] : nodes[node].children)
            if (character == key) return child;
        return kNone;
    }

    std::vector<Node> nodes;
};
