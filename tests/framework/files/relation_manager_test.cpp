#include "framework/files/relation_manager.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/framework/files/file_test_support.h"

namespace kirva::framework::testing {
namespace {

class TestRelationManager final : public RelationManager {
  public:
    std::function<void(TestRelationManager&)> declare;
    void declareRelations() override {
        if (declare) declare(*this);
    }
};

// Three files with a manager pair each: A, B and C.
class RelationManagerTest : public FileTest {
  protected:
    struct Node {
        std::string name;
        std::unique_ptr<DataFile> file;
        TestFileManager fileManager;
        TestRelationManager relationManager;
    };

    void SetUp() override {
        FileTest::SetUp();
        for (const char* label : {"A", "B", "C"}) {
            auto node = std::make_unique<Node>();
            node->name = path(std::string(label) + ".DB");
            makeFile(testLayout(), node->name);
            node->file = std::make_unique<DataFile>(testLayout(), &node->name);
            node->fileManager.bindFile(*node->file, errors, label);
            node->fileManager.configure();
            node->relationManager.configure(node->fileManager, false);
            nodes.push_back(std::move(node));
        }
    }
    void TearDown() override {
        for (auto& node : nodes) node->relationManager.shutdown();
        nodes.clear();
        FileTest::TearDown();
    }
    Node& a() { return *nodes[0]; }
    Node& b() { return *nodes[1]; }
    Node& c() { return *nodes[2]; }

    // A and B relate to each other; A also to C.
    void declareCycle() {
        a().relationManager.declare = [this](TestRelationManager& m) {
            m.declareRelation(b().relationManager, ModeCascade, ModeRestrict, 0);
            m.declareLink(0, 0);
            m.declareRelation(c().relationManager);
        };
        b().relationManager.declare = [this](TestRelationManager& m) { m.declareRelation(a().relationManager); };
    }

    std::vector<std::unique_ptr<Node>> nodes;
};

TEST_F(RelationManagerTest, ACycleIsVisitedOnceAndEveryCountReturnsToZero) {
    declareCycle();
    // B's relations are declared by a top-level open of its own.
    ASSERT_EQ(b().relationManager.open(), ResultDone);
    EXPECT_TRUE(b().relationManager.relationsDeclared());
    b().relationManager.close();
    EXPECT_EQ(a().fileManager.opened(), 0);
    EXPECT_EQ(b().fileManager.opened(), 0);

    const uint32_t before = relationSweepCounter();
    ASSERT_EQ(a().relationManager.open(), ResultDone);
    EXPECT_EQ(relationSweepCounter(), before + 1);
    EXPECT_EQ(a().fileManager.opened(), 1);  // not counted again through B
    EXPECT_EQ(b().fileManager.opened(), 1);
    EXPECT_EQ(c().fileManager.opened(), 1);
    EXPECT_TRUE(a().file->storage().isOpen());
    // Related files stay closed until their first use.
    EXPECT_FALSE(b().file->storage().isOpen());
    EXPECT_FALSE(c().file->storage().isOpen());
    for (const auto& relation : a().relationManager.relations()) EXPECT_EQ(relation.opened, 1);
    EXPECT_EQ(b().relationManager.relations()[0].opened, 0);

    ASSERT_EQ(c().fileManager.use(), ResultDone);
    EXPECT_TRUE(c().file->storage().isOpen());

    EXPECT_EQ(a().relationManager.close(), ResultDone);
    for (auto& node : nodes) {
        EXPECT_EQ(node->fileManager.opened(), 0) << node->name;
        EXPECT_FALSE(node->file->storage().isOpen()) << node->name;
        for (const auto& relation : node->relationManager.relations()) EXPECT_EQ(relation.opened, 0) << node->name;
    }
}

TEST_F(RelationManagerTest, NestedOpensShareOnePhysicalOpen) {
    declareCycle();
    ASSERT_EQ(a().relationManager.open(), ResultDone);
    ASSERT_EQ(a().relationManager.open(), ResultDone);
    EXPECT_EQ(a().fileManager.opened(), 2);
    EXPECT_EQ(b().fileManager.opened(), 2);
    a().relationManager.close();
    EXPECT_TRUE(a().file->storage().isOpen());
    a().relationManager.close();
    EXPECT_FALSE(a().file->storage().isOpen());
    EXPECT_EQ(b().fileManager.opened(), 0);
}

TEST_F(RelationManagerTest, AFileThatIsNotLazyForcesThePhysicalOpenThroughTheTree) {
    declareCycle();
    a().fileManager.lazyOpen = false;
    ASSERT_EQ(a().relationManager.open(), ResultDone);
    EXPECT_TRUE(b().file->storage().isOpen());
    EXPECT_TRUE(c().file->storage().isOpen());
    EXPECT_TRUE(b().relationManager.relationsDeclared());
    a().relationManager.close();
    EXPECT_EQ(b().fileManager.opened(), 0);
    EXPECT_FALSE(b().file->storage().isOpen());
}

TEST_F(RelationManagerTest, ShutdownLeavesTheThreadsMapping) {
    ASSERT_EQ(a().fileManager.use(UseType::Initialize), ResultDone);
    EXPECT_EQ(relationManagerOf(*a().file), &a().relationManager);
    a().relationManager.shutdown();
    EXPECT_EQ(relationManagerOf(*a().file), nullptr);
    EXPECT_EQ(fileManagerOf(*a().file), nullptr);
    EXPECT_TRUE(a().fileManager.killed());
}

// A parent whose FIRMA links to the child's FIRMA (first component of the child's primary key).
class ReferentialTest : public RelationManagerTest {
  protected:
    void relate(uint8_t deleteMode) {
        a().relationManager.declare = [this, deleteMode](TestRelationManager& m) {
            m.declareRelation(b().relationManager, ModeCascade, deleteMode, 0);
            m.declareLink(0, 0);
        };
        b().relationManager.declare = [this](TestRelationManager& m) { m.declareRelation(a().relationManager); };
        ASSERT_EQ(a().relationManager.open(), ResultDone);
        put(a(), 1, 1);
        put(b(), 1, 1);
        put(b(), 1, 2);
        put(b(), 2, 1);
        ASSERT_EQ(a().file->storage().setFirst(0), 0);
        ASSERT_EQ(a().fileManager.next(), ResultDone);
    }
    void put(Node& node, int firma, int stev) {
        ASSERT_EQ(node.fileManager.use(), ResultDone);
        data::Record& r = node.file->record();
        r.clear();
        ASSERT_TRUE(r.setInteger(0, firma).ok());
        ASSERT_TRUE(r.setInteger(1, stev).ok());
        ASSERT_EQ(node.file->storage().add(r), 0);
    }
};

TEST_F(ReferentialTest, CascadeDeleteTakesTheLinkedRecordsWithIt) {
    relate(ModeCascade);
    EXPECT_EQ(a().relationManager.deleteRecord(false), ResultDone);
    EXPECT_EQ(a().file->storage().records(), 0);
    EXPECT_EQ(b().file->storage().records(), 1);
    EXPECT_TRUE(boxes.shown().empty());
    a().relationManager.close();
}

TEST_F(ReferentialTest, RestrictRefusesTheDeleteWhileLinkedRecordsExist) {
    relate(ModeRestrict);
    EXPECT_EQ(a().relationManager.deleteRecord(false), ResultFailed);
    EXPECT_EQ(a().file->storage().records(), 1);
    EXPECT_EQ(b().file->storage().records(), 3);
    ASSERT_EQ(captions(), std::vector<std::string>{"Referential Integrity Delete Error"});
    EXPECT_NE(boxes.shown()[0].text.bytes().find(b().name), std::string::npos);
    a().relationManager.close();
}

TEST_F(ReferentialTest, CascadeUpdateCarriesTheNewLinkValue) {
    relate(ModeRestrict);
    a().relationManager.saveLinks();
    ASSERT_TRUE(a().file->record().setInteger(0, 7).ok());
    EXPECT_EQ(a().relationManager.update(), ResultDone);
    data::Record probe(testLayout());
    ASSERT_TRUE(probe.setInteger(0, 7).ok());
    ASSERT_TRUE(probe.setInteger(1, 2).ok());
    EXPECT_EQ(b().file->storage().get(0, probe), 0);
    a().relationManager.close();
}

}  // namespace
}  // namespace kirva::framework::testing
