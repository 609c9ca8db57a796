#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/System.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/MessageBoxRecorder.h"

namespace {
inline constexpr char kProbeName[] = "Probe";

// A system that records what happens to it in a shared log.
class Probe : public System {
public:
    explicit Probe(std::vector<std::string>* log = nullptr, std::string tag = "", bool registered = false)
        : log(log), tag(std::move(tag)), registered(registered) {}
    ~Probe() override {
        if (initialized) Shutdown();
        Log("delete");
    }
    bool Init(void*, void*) override {
        if (initialized) return false;
        name = kProbeName;
        if (registered && !eTable::Register(name, this)) return false;
        initialized = true;
        return true;
    }
    bool Shutdown() override {
        if (!System::Shutdown()) return false;
        Log("shutdown");
        return true;
    }
    bool Update() override {
        if (!System::Update()) return false;
        Log("update");
        if (onUpdate) onUpdate();  // may delete this probe: nothing after it
        return true;
    }
    void Log(const std::string& what) {
        if (log) log->push_back(tag + ":" + what);
    }

    std::vector<std::string>* log;
    std::string tag;
    bool registered;
    std::function<void()> onUpdate;
};

using Log = std::vector<std::string>;
}  // namespace

TEST(Registry, ComparesNamesByIdentityNotText) {
    static const char sameText[] = "Probe";
    Probe probe;
    ASSERT_TRUE(eTable::Register(kProbeName, &probe));
    EXPECT_EQ(eTable::Peek(kProbeName), &probe);
    EXPECT_EQ(eTable::Peek(sameText), nullptr);
    // A second registration under the same literal is refused; the first stays.
    Probe other;
    EXPECT_FALSE(eTable::Register(kProbeName, &other));
    EXPECT_EQ(eTable::Peek(kProbeName), &probe);
    EXPECT_TRUE(eTable::RemoveSystem(&probe));
    EXPECT_FALSE(eTable::RemoveSystem(&probe));
    EXPECT_FALSE(eTable::RemoveName(kProbeName));
}

TEST(Registry, MissingSystemIsFatalExceptForTheApplication) {
    MessageBoxRecorder boxes;
    EXPECT_EQ(eTable::GetSystem(names::DIva), nullptr);
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(eTable::Find<Probe>(names::Physics), nullptr);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "FATAL ERROR: eTable failed to find Physics!");
}

TEST(SystemLifeCycle, ChildrenAreDestroyedLastFirst) {
    Log log;
    Probe root(&log, "root");
    root.Init(nullptr, nullptr);
    root.CreateChild<Probe>();  // one without a log: must not disturb the rest
    root.AdoptChild(new Probe(&log, "A"));
    root.AdoptChild(new Probe(&log, "B"));
    root.AdoptChild(new Probe(&log, "C"));
    log.clear();
    root.DestroyChildren();
    EXPECT_EQ(log, (Log{"C:shutdown", "C:delete", "B:shutdown", "B:delete", "A:shutdown", "A:delete"}));
    EXPECT_TRUE(root.Children().empty());
}

TEST(SystemLifeCycle, DeleteChildIgnoresStrangersAndFreesChildren) {
    Log log;
    Probe root(&log, "root");
    root.Init(nullptr, nullptr);
    Probe* a = root.AdoptChild(new Probe(&log, "A"));
    Probe stranger;
    root.DeleteChild(&stranger);
    root.DeleteChild(nullptr);
    EXPECT_EQ(root.Children().size(), 1u);
    root.DeleteChild(a);
    EXPECT_TRUE(root.Children().empty());
    EXPECT_EQ(log, (Log{"A:shutdown", "A:delete"}));
}

// Children found by pointer when released, in any order and during a walk:
// the rest keep their order, and shut down last first. A child listed twice
// is found again at its second entry once the first is released.
TEST(SystemLifeCycle, ReleasedChildrenLeaveTheRestInOrderAndShutdownLastFirst) {
    Log log;
    Probe root(&log, "root");
    root.Init(nullptr, nullptr);
    std::vector<Probe*> kids;
    for (int i = 0; i < 12; ++i) kids.push_back(root.AdoptChild(new Probe(&log, std::to_string(i))));
    root.DeleteChild(kids[7]);
    root.DeleteChild(kids[0]);
    EXPECT_TRUE(root.ReleaseChild(kids[4]));
    EXPECT_FALSE(root.ReleaseChild(kids[4]));
    root.AddChild(kids[4]);  // now last
    root.AddChild(kids[9]);  // listed twice
    EXPECT_TRUE(root.ReleaseChild(kids[9]));
    EXPECT_TRUE(root.HasChild(kids[9]));  // its second entry, at the end
    kids[2]->onUpdate = [&] { root.DeleteChild(kids[11]); };
    root.Update();
    log.clear();
    root.DestroyChildren();
    Log order;
    for (const std::string& line : log)
        if (line.ends_with(":shutdown")) order.push_back(line.substr(0, line.find(':')));
    EXPECT_EQ(order, (Log{"9", "4", "10", "8", "6", "5", "3", "2", "1"}));
    EXPECT_FALSE(root.HasChild(kids[1]));
}

TEST(SystemLifeCycle, InitShutdownInitRegistersAgain) {
    Probe probe(nullptr, "", true);
    ASSERT_TRUE(probe.Init(nullptr, nullptr));
    EXPECT_FALSE(probe.Init(nullptr, nullptr));
    EXPECT_EQ(eTable::Peek(kProbeName), &probe);
    ASSERT_TRUE(probe.Shutdown());
    EXPECT_FALSE(probe.Shutdown());
    EXPECT_EQ(eTable::Peek(kProbeName), nullptr);
    ASSERT_TRUE(probe.Init(nullptr, nullptr));
    EXPECT_EQ(eTable::Peek(kProbeName), &probe);
    probe.Shutdown();
}

TEST(SystemLifeCycle, InactiveSystemRunsNothing) {
    Log log;
    Probe root(&log, "root");
    root.Init(nullptr, nullptr);
    root.AdoptChild(new Probe(&log, "A"));
    root.SetActive(false);
    log.clear();
    EXPECT_FALSE(root.Update());
    EXPECT_TRUE(log.empty());
    root.SetActive(true);
    EXPECT_TRUE(root.Update());
    EXPECT_EQ(log, (Log{"A:update", "root:update"}));
}

TEST(SystemLifeCycle, FailedChildStaysListedAndDoesNothing) {
    Log log;
    Probe root(&log, "root");
    root.Init(nullptr, nullptr);
    Probe holder(nullptr, "", true);
    holder.Init(nullptr, nullptr);  // takes the name, so the child's Init fails
    Probe* child = root.AdoptChild(new Probe(&log, "A", true));
    EXPECT_FALSE(child->IsInitialized());
    EXPECT_EQ(root.Children().size(), 1u);
    log.clear();
    root.Update();
    EXPECT_EQ(log, (Log{"root:update"}));
    holder.Shutdown();
}

TEST(SystemLifeCycle, UpdateSurvivesChildrenDeletedDuringTheWalk) {
    Log log;
    Probe root(&log, "root");
    root.Init(nullptr, nullptr);
    Probe* a = root.AdoptChild(new Probe(&log, "A"));
    Probe* b = root.AdoptChild(new Probe(&log, "B"));
    Probe* c = root.AdoptChild(new Probe(&log, "C"));
    // A adds a child, deletes its next sibling and then itself: C and the new
    // child still run in the same walk.
    a->onUpdate = [&root, &log, a, b] {
        root.AdoptChild(new Probe(&log, "D"));
        root.DeleteChild(b);
        root.DeleteChild(a);
    };
    log.clear();
    root.Update();
    EXPECT_EQ(log, (Log{"A:update", "B:shutdown", "B:delete", "A:shutdown", "A:delete", "C:update",
                        "D:update", "root:update"}));
    ASSERT_EQ(root.Children().size(), 2u);
    EXPECT_EQ(root.Children().front(), c);
}

TEST(SystemLifeCycle, DestroyChildrenDuringTheWalkEndsItSafely) {
    Log log;
    Probe root(&log, "root");
    root.Init(nullptr, nullptr);
    Probe* a = root.AdoptChild(new Probe(&log, "A"));
    root.AdoptChild(new Probe(&log, "B"));
    a->onUpdate = [&root] { root.DestroyChildren(); };
    log.clear();
    root.Update();
    EXPECT_EQ(log, (Log{"A:update", "B:shutdown", "B:delete", "A:shutdown", "A:delete", "root:update"}));
    EXPECT_TRUE(root.Children().empty());
}

TEST(SystemLifeCycle, DestructorFreesChildrenStillListed) {
    Log log;
    {
        Probe root(&log, "root");  // never initialised, so it never shuts down
        root.AdoptChild(new Probe(&log, "A"));
    }
    EXPECT_EQ(log, (Log{"root:delete", "A:shutdown", "A:delete"}));
}

// A registering system deleted while initialised, without its own
// destructor shutting it down, leaves no entry behind.
TEST(Registry, ASystemDeletedWhileInitialisedLeavesTheRegistry) {
    class Bare : public System {
    public:
        bool Init(void*, void*) override {
            name = kProbeName;
            initialized = eTable::Register(name, this);
            return initialized;
        }
    };
    const int before = eTable::Count();
    auto* bare = new Bare;
    ASSERT_TRUE(bare->Init(nullptr, nullptr));
    delete bare;
    EXPECT_EQ(eTable::Peek(kProbeName), nullptr);
    EXPECT_EQ(eTable::Count(), before);
}

// A level's worth of children over several frames, some deleting
// themselves or a sibling before or after them, some adding one: each frame
// runs and leaves the list as a plain walk does that skips what was removed,
// runs what was added and closes up every frame.
TEST(SystemLifeCycle, ManyChildrenChangingDuringTheWalkKeepThePlainOrder) {
    Log log;
    Probe root(&log, "root");
    root.Init(nullptr, nullptr);
    int frame = 0;
    // What a child does in a frame; the last frames change nothing.
    auto action = [&frame](int tag) { return frame < 4 ? (tag * 31 + frame * 7) % 23 : -1; };
    std::map<int, Probe*> living;
    int nextTag = 0;
    std::function<void()> add = [&] {
        const int tag = nextTag++;
        Probe* probe = root.AdoptChild(new Probe(&log, std::to_string(tag)));
        living[tag] = probe;
        probe->onUpdate = [&, tag] {
            auto remove = [&](int other) {
                if (!living.count(other)) return;
                root.DeleteChild(living[other]);
                living.erase(other);
            };
            switch (action(tag)) {
                case 0: remove(tag); break;
                case 1: remove(tag + 1); break;
                case 2: remove(tag - 3); break;
                case 3: add(); break;
            }
        };
    };
    for (int i = 0; i < 2000; ++i) add();

    std::vector<int> plain;  // the plain walk's list of tags
    for (int i = 0; i < nextTag; ++i) plain.push_back(i);
    for (frame = 0; frame < 6; ++frame) {
        Log expected;
        std::set<int> alive(plain.begin(), plain.end());
        int plainNext = nextTag;
        for (std::size_t i = 0; i < plain.size(); ++i) {
            const int tag = plain[i];
            if (!alive.count(tag)) continue;
            expected.push_back(std::to_string(tag) + ":update");
            switch (action(tag)) {
                case 0: alive.erase(tag); break;
                case 1: alive.erase(tag + 1); break;
                case 2: alive.erase(tag - 3); break;
                case 3: plain.push_back(plainNext); alive.insert(plainNext++); break;
            }
        }
        expected.push_back("root:update");
        std::erase_if(plain, [&](int tag) { return !alive.count(tag); });

        log.clear();
        root.Update();
        Log updates;
        for (const std::string& line : log)
            if (line.ends_with(":update")) updates.push_back(line);
        ASSERT_EQ(updates, expected) << "frame " << frame;
        std::vector<int> listed;
        for (System* child : root.Children())
            listed.push_back(child ? std::stoi(static_cast<Probe*>(child)->tag) : -1);
        ASSERT_EQ(listed, plain) << "frame " << frame;
    }
}
