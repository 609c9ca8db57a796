// Shadow volumes built on CPU-only meshes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "Video/Mesh.h"

namespace {

struct P {
    float x, y, z;
};

// A mesh of positions only, from a list of triangles.
void Fill(Mesh& m, const std::vector<P>& positions, const std::vector<WORD>& indices) {
    ASSERT_TRUE(m.CreateMeshFVF(DWORD(indices.size() / 3), DWORD(positions.size()), D3DFVF_XYZ, D3DXMESH_MANAGED));
    std::memcpy(m.mesh->VertexBytes().data(), positions.data(), positions.size() * sizeof(P));
    std::memcpy(m.mesh->Indices().data(), indices.data(), indices.size() * sizeof(WORD));
    m.mesh->Touch();
}

// A closed cube with separate vertices per side (24), 12 triangles.
void Cube(Mesh& m) {
    std::vector<P> positions;
    std::vector<WORD> indices;
    const int axes[3][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}};
    for (const auto& a : axes) {
        for (float side : {-1.0f, 1.0f}) {
            WORD base = WORD(positions.size());
            for (int corner = 0; corner < 4; ++corner) {
                float c[3];
                c[a[0]] = side;
                c[a[1]] = corner & 1 ? 1.0f : -1.0f;
                c[a[2]] = corner & 2 ? 1.0f : -1.0f;
                positions.push_back({c[0], c[1], c[2]});
            }
            // Wound for outward faces on one side, inward on the other; the
            // volume's pairing is by position only, so that does not matter.
            indices.insert(indices.end(), {base, WORD(base + 1), WORD(base + 3), base, WORD(base + 3),
                                           WORD(base + 2)});
        }
    }
    Fill(m, positions, indices);
}

struct ShadowData {
    std::vector<P> positions;
    std::vector<P> normals;
    std::vector<WORD> indices;
};

ShadowData Read(ID3DXMesh* shadow) {
    ShadowData d;
    const float* v = reinterpret_cast<const float*>(shadow->VertexBytes().data());
    for (DWORD i = 0; i < shadow->GetNumVertices(); ++i) {
        d.positions.push_back({v[i * 6], v[i * 6 + 1], v[i * 6 + 2]});
        d.normals.push_back({v[i * 6 + 3], v[i * 6 + 4], v[i * 6 + 5]});
    }
    d.indices = shadow->Indices();
    return d;
}

bool SamePlace(const P& a, const P& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

}  // namespace

TEST(ShadowVolume, CubeGetsAQuadOnEveryEdge) {
    Mesh m;
    Cube(m);
    ASSERT_TRUE(m.BuildShadowVolume());
    ASSERT_NE(m.shadowMesh, nullptr);
    EXPECT_EQ(m.shadowMesh->GetNumVertices(), 36u);
    EXPECT_EQ(m.shadowMesh->GetNumFaces(), 12u + 2u * 18u);
    EXPECT_EQ(m.shadowMesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL));
    EXPECT_EQ(m.shadowMesh->GetOptions(), D3DXMESH_MANAGED);

    ShadowData d = Read(m.shadowMesh);
    // Every edge triangle joins two corners that lie at the same place:
    // it has no area until the shader pulls its vertices apart.
    for (std::size_t t = 0; t < d.indices.size() / 3; ++t) {
        const WORD* c = &d.indices[t * 3];
        bool ownFace = c[0] % 3 == 0 && c[1] == c[0] + 1 && c[2] == c[0] + 2;
        if (ownFace) continue;
        int coincident = SamePlace(d.positions[c[0]], d.positions[c[2]]) +
                         SamePlace(d.positions[c[1]], d.positions[c[2]]) +
                         SamePlace(d.positions[c[0]], d.positions[c[1]]);
        EXPECT_GE(coincident, 1) << "triangle " << t;
    }
    // The three vertices of a face share its unit normal.
    for (std::size_t v = 0; v < d.normals.size(); v += 3) {
        const P& n = d.normals[v];
        EXPECT_NEAR(std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z), 1.0f, 1e-6f);
        EXPECT_TRUE(SamePlace(n, d.normals[v + 1]) && SamePlace(n, d.normals[v + 2]));
    }
}

TEST(ShadowVolume, SingleTriangleAndSharedEdge) {
    Mesh single;
    Fill(single, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    ASSERT_TRUE(single.BuildShadowVolume());
    EXPECT_EQ(single.shadowMesh->GetNumVertices(), 3u);
    EXPECT_EQ(single.shadowMesh->GetNumFaces(), 1u);

    // Two triangles over one edge (0,0,0)-(1,1,0), opposite windings, the
    // shared corners duplicated as separate vertices.
    Mesh pair;
    Fill(pair, {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 3, 4, 5});
    ASSERT_TRUE(pair.BuildShadowVolume());
    EXPECT_EQ(pair.shadowMesh->GetNumVertices(), 6u);
    ASSERT_EQ(pair.shadowMesh->GetNumFaces(), 4u);
    ShadowData d = Read(pair.shadowMesh);
    // Face order: face 0, face 1, then the edge closed by face 1.
    const std::vector<WORD> expected = {0, 1, 2, 3, 4, 5, 3, 5, 0, 1, 0, 5};
    EXPECT_EQ(d.indices, expected);
    EXPECT_TRUE(SamePlace(d.positions[3], d.positions[0]));
    EXPECT_TRUE(SamePlace(d.positions[5], d.positions[1]));
    // Both faces are clockwise seen from -z.
    EXPECT_EQ(d.normals[0].z, -1.0f);
    EXPECT_EQ(d.normals[3].z, -1.0f);
}

TEST(ShadowVolume, DegenerateFacesGetZeroNormals) {
    Mesh m;
    Fill(m, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {0, 1, 2});
    ASSERT_TRUE(m.BuildShadowVolume());
    ShadowData d = Read(m.shadowMesh);
    for (const P& n : d.normals) {
        EXPECT_EQ(n.x, 0.0f);
        EXPECT_EQ(n.y, 0.0f);
        EXPECT_EQ(n.z, 0.0f);
    }
}

TEST(ShadowVolume, RebuildReplacesAndOversizedOrBrokenMeshesAreRefused) {
    Mesh m;
    Cube(m);
    ASSERT_TRUE(m.BuildShadowVolume());
    ID3DXMesh* first = m.shadowMesh;
    first->AddRef();
    ASSERT_TRUE(m.BuildShadowVolume());
    EXPECT_NE(m.shadowMesh, first);
    first->Release();

    // 21846 faces need 65538 shadow vertices: more than 16-bit indices hold.
    Mesh big;
    ASSERT_TRUE(big.CreateMeshFVF(21846, 3, D3DFVF_XYZ, 0));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(big.BuildShadowVolume());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("16-bit"), std::string::npos);
    EXPECT_EQ(big.shadowMesh, nullptr);
    Mesh largest;
    ASSERT_TRUE(largest.CreateMeshFVF(21845, 3, D3DFVF_XYZ, 0));
    EXPECT_TRUE(largest.BuildShadowVolume());

    // Indices beyond the mesh's own vertices are never followed.
    Mesh broken;
    Fill(broken, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 9});
    EXPECT_FALSE(broken.BuildShadowVolume());
    EXPECT_EQ(broken.shadowMesh, nullptr);

    Mesh empty;
    EXPECT_FALSE(empty.BuildShadowVolume());
}
