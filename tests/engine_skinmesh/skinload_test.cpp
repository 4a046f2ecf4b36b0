// Loading skinned models from .x files, their failure reports, and the skinning draw.
#include <gtest/gtest.h>

#include <fstream>

#include "skin_test_support.h"

namespace {

class SkinLoad : public SkinDeviceTest {
protected:
    std::vector<std::string> messages() const {
        std::vector<std::string> out;  // the loader's messages, by their known texts
        for (const auto& m : quil_automation::MessageBoxesShown())
            for (const char* t : {"Could not load animation data", "Could not load Animation set",
                                  "Could not Load Skinned mesh frames", "Could not Load Skinned mesh",
                                  "Invalid Filename given to Load Skinned mesh"})
                if (m.text.find(t) != std::string::npos) {
                    out.push_back(t);
                    break;
                }
        return out;
    }
    // Loads a .x text written to a file of the build folder.
    HRESULT loadText(const std::string& body) {
        std::ofstream("skinload_tmp.x") << "xof 0303txt 0032\n" << body;
        return mesh.LoadMeshHierarchy("skinload_tmp.x");
    }
};

TEST_F(SkinLoad, WalkerLoadsFramesSkinAndAnimations) {
    ASSERT_EQ(mesh.LoadMeshHierarchy(QUIL_TEST_DATA_DIR "/walker.x"), S_OK);
    EXPECT_TRUE(messages().empty());
    SkinDrawElement* e = mesh.GetElements();
    ASSERT_NE(e, nullptr);
    SkinFrame* body = e->FindFrame("Body");
    SkinFrame* thigh = e->FindFrame("Thigh");
    SkinFrame* shin = e->FindFrame("Shin");
    ASSERT_TRUE(body && thigh && shin);

    // The skinned quad: converted with one influence, bones bound to their frames.
    SkinMeshContainer* c = body->pMeshContainers;
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->uInfluences, 1u);
    EXPECT_EQ(c->ppBoneMatrices[0], &thigh->mCombined);
    EXPECT_EQ(c->ppBoneMatrices[1], &shin->mCombined);

    // Half a second: position halfway; a matrix key at exactly half takes the earlier key,
    // just after it the later one.
    mesh.Update(0.5f);
    EXPECT_FLOAT_EQ(e->fTime, 2400.0f);
    EXPECT_NEAR(thigh->mLocal.m[3][0], 2.0f, 1e-5f);
    EXPECT_FLOAT_EQ(shin->mLocal.m[3][1], -5.0f);
    mesh.Update(0.01f);
    EXPECT_FLOAT_EQ(shin->mLocal.m[3][1], -6.0f);
    mesh.SetHidden(true);
    mesh.Update(1.0f);
    EXPECT_FLOAT_EQ(e->fTime, 2448.0f);
}

// Failures inside animations are reported at each level and the rest of the model loads.
TEST_F(SkinLoad, AnimationFailuresAreReportedButTheModelLoads) {
    const char* frame = "Frame Leg { Frame Foot { } }\n";
    const char* bad[] = {
        "AnimationSet S { Animation { { Missing } } }",
        "AnimationSet S { Animation { { Leg } AnimationKey { 0; 1; 0; 4; 1,0,0,0;;; } AnimationKey { 0; 1; 0; 4; 1,0,0,0;;; } } }",
        "AnimationSet S { Animation { { Leg } AnimationKey { 3; 1; 0; 3; 1,0,0;;; } } }",
        "AnimationSet S { Animation { { Leg } { Foot } } }",
        "AnimationSet S { Animation { { Leg } AnimationKey { 2; 1; 0; 2; 1,0;;; } } }",  // short key record
    };
    for (const char* anim : bad) {
        quil_automation::ClearMessageBoxesShown();
        ASSERT_EQ(loadText(std::string(frame) + anim), S_OK) << anim;
        EXPECT_EQ(messages(), (std::vector<std::string>{"Could not load animation data", "Could not load Animation set"}))
            << anim;
        ASSERT_NE(mesh.GetElements(), nullptr);
        EXPECT_NE(mesh.GetElements()->FindFrame("Foot"), nullptr);
        // Whatever node was made keeps no target it did not get; advancing time is safe.
        mesh.Update(0.25f);
    }
    // An animation outside a set reports once.
    quil_automation::ClearMessageBoxesShown();
    ASSERT_EQ(loadText(std::string(frame) + "Animation { { Nowhere } }"), S_OK);
    EXPECT_EQ(messages(), (std::vector<std::string>{"Could not load animation data"}));
    mesh.Update(0.25f);
}

TEST_F(SkinLoad, MeshesOutsideFramesEmptyMeshesAndBonesWithoutFrames) {
    ASSERT_EQ(loadText("Mesh Loose { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;; }\n"
                       "Mesh Empty { 0;; 0;; }\n"
                       "Frame F { Mesh Boned { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;;\n"
                       "  SkinWeights { \"NoSuchFrame\"; 3; 0, 1, 2; 1, 1, 1; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } } }\n"),
              S_OK);
    EXPECT_TRUE(messages().empty());
    SkinDrawElement* e = mesh.GetElements();
    SkinMeshContainer* loose = e->pRoot->pMeshContainers;
    ASSERT_NE(loose, nullptr);
    EXPECT_EQ(loose->pNext, nullptr);  // the empty mesh was skipped
    EXPECT_NE(loose->pMesh, nullptr);
    SkinMeshContainer* boned = e->FindFrame("F")->pMeshContainers;
    ASSERT_NE(boned, nullptr);
    ASSERT_NE(boned->ppBoneMatrices[0], nullptr);  // drawn with the identity
    EXPECT_FLOAT_EQ(boned->ppBoneMatrices[0]->m[0][0], 1.0f);
}

TEST_F(SkinLoad, BadFilesLeaveNoElementAndSecondLoadReplacesTheFirst) {
    EXPECT_EQ(mesh.LoadMeshHierarchy(nullptr), E_INVALIDARG);
    EXPECT_EQ(mesh.LoadMeshHierarchy("x"), E_FAIL);
    EXPECT_TRUE(FAILED(mesh.LoadMeshHierarchy("no/such/model.x")));
    EXPECT_EQ(messages(), (std::vector<std::string>{"Invalid Filename given to Load Skinned mesh",
                                                    "Invalid Filename given to Load Skinned mesh",
                                                    "Could not Load Skinned mesh"}));
    EXPECT_EQ(mesh.GetElements(), nullptr);

    // Five influences on one vertex: the conversion fails and the model is refused.
    quil_automation::ClearMessageBoxesShown();
    std::string five = "Frame F { Mesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;;\n";
    for (int b = 0; b < 5; ++b)
        five += "SkinWeights { \"F\"; 1; 0; 0.2; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }\n";
    five += "} }\n";
    EXPECT_TRUE(FAILED(loadText(five)));
    EXPECT_EQ(messages(), (std::vector<std::string>{"Could not Load Skinned mesh frames"}));
    EXPECT_EQ(mesh.GetElements(), nullptr);

    ASSERT_EQ(mesh.LoadMeshHierarchy(QUIL_TEST_DATA_DIR "/walker.x"), S_OK);
    ASSERT_EQ(loadText("Frame Only { }\n"), S_OK);
    ASSERT_NE(mesh.GetElements(), nullptr);
    EXPECT_NE(mesh.GetElements()->FindFrame("Only"), nullptr);
    EXPECT_EQ(mesh.GetElements()->pNext, nullptr);
}

}  // namespace
