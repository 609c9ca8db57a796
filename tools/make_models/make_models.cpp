// make_models: writes the game's built-in meshes as .x text files under
// <output root>/Assets/Models/: "plane.x", "ground.x", "skybox.x",
// "Body/sphereLow.x" and "Body/sphereMedium.x"; and the characters' parts:
// the eyes "leftEye.x" and "rightEye.x", the bodies "Body/egg.x",
// "Body/pebble.x" and "Body/pear.x", the limb models "Limb/playerLimb.x" and
// "Limb/leaf.x". The output is the same byte for byte on every run, so the
// committed files can be checked against it.
//
// Conventions of the engine: left-handed coordinates, clockwise front faces
// (the face normal is (p1 - p0) x (p2 - p0)), texture v pointing down.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/xfile/XFile.h"

namespace {

struct Vec3 {
    float x, y, z;
};
struct Vertex {
    Vec3 position;
    Vec3 normal;
    float u, v;
};
struct Geometry {
    std::vector<Vertex> vertices;
    std::vector<std::uint32_t> triangles;  // three per face
};

Vec3 Cross(const Vec3& a, const Vec3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 Sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Six decimals: trigonometry that differs in the last bit between C
// libraries still writes the same files.
float Tidy(double v) {
    double r = std::round(v * 1e6) / 1e6;
    return r == 0.0 ? 0.0f : static_cast<float>(r);  // no "-0"
}

// Appends a triangle wound so that it faces along `facing`.
void AddTriangle(Geometry& g, std::uint32_t a, std::uint32_t b, std::uint32_t c, const Vec3& facing) {
    const Vec3& p0 = g.vertices[a].position;
    Vec3 n = Cross(Sub(g.vertices[b].position, p0), Sub(g.vertices[c].position, p0));
    if (Dot(n, facing) >= 0.0f) {
        g.triangles.insert(g.triangles.end(), {a, b, c});
    } else {
        g.triangles.insert(g.triangles.end(), {a, c, b});
    }
}

// A square grid of (cells x cells) quads spanning -1..1 along two axes of
// a face at `centre`, all facing `normal`; u runs along `across`, v along
// `down`.
void AddGridFace(Geometry& g, int cells, const Vec3& centre, const Vec3& across, const Vec3& down,
                 const Vec3& normal) {
    auto base = static_cast<std::uint32_t>(g.vertices.size());
    for (int row = 0; row <= cells; ++row) {
        for (int col = 0; col <= cells; ++col) {
            double s = -1.0 + 2.0 * col / cells, t = -1.0 + 2.0 * row / cells;
            Vertex v;
            v.position = {Tidy(centre.x + s * across.x + t * down.x), Tidy(centre.y + s * across.y + t * down.y),
                          Tidy(centre.z + s * across.z + t * down.z)};
            v.normal = normal;
            v.u = Tidy(double(col) / cells);
            v.v = Tidy(double(row) / cells);
            g.vertices.push_back(v);
        }
    }
    auto at = [&](int row, int col) { return base + std::uint32_t(row * (cells + 1) + col); };
    for (int row = 0; row < cells; ++row) {
        for (int col = 0; col < cells; ++col) {
            AddTriangle(g, at(row, col), at(row, col + 1), at(row + 1, col + 1), normal);
            AddTriangle(g, at(row, col), at(row + 1, col + 1), at(row + 1, col), normal);
        }
    }
}

// Flat, -1..1 in x and z at y = 0, facing +Y; v runs toward -z.
Geometry Plane(int cells) {
    Geometry g;
    AddGridFace(g, cells, {0, 0, 0}, {1, 0, 0}, {0, 0, -1}, {0, 1, 0});
    return g;
}

// The cube -1..1 seen from inside: every face and normal points inward.
Geometry Skybox() {
    Geometry g;
    struct Face {
        Vec3 centre, across, down, inward;
    };
    const Face faces[] = {
        {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}, {-1, 0, 0}},  {{-1, 0, 0}, {0, 0, -1}, {0, -1, 0}, {1, 0, 0}},
        {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}},   {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
        {{0, 0, 1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}, {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}, {0, 0, 1}},
    };
    for (const Face& f : faces) AddGridFace(g, 1, f.centre, f.across, f.down, f.inward);
    return g;
}

// A sphere of radius 1 in rings from the top pole (v = 0) to the bottom
// (v = 1) and segments around y (u = 0..1, the seam doubled); outward. Each
// pole has one vertex per segment, halfway along it, so that the pole
// triangles map the texture evenly.
Geometry Sphere(int rings, int segments) {
    Geometry g;
    const double pi = 3.14159265358979323846;
    std::vector<std::uint32_t> rowStart;
    for (int ring = 0; ring <= rings; ++ring) {
        rowStart.push_back(std::uint32_t(g.vertices.size()));
        bool pole = ring == 0 || ring == rings;
        double theta = pi * ring / rings;
        for (int seg = 0; seg <= (pole ? segments - 1 : segments); ++seg) {
            double u = pole ? (seg + 0.5) / segments : double(seg) / segments;
            double phi = 2.0 * pi * u;
            Vec3 p = {Tidy(std::sin(theta) * std::cos(phi)), Tidy(std::cos(theta)),
                      Tidy(std::sin(theta) * std::sin(phi))};
            g.vertices.push_back({p, p, Tidy(u), Tidy(double(ring) / rings)});
        }
    }
    auto at = [&](int ring, int seg) { return rowStart[std::size_t(ring)] + std::uint32_t(seg); };
    for (int ring = 0; ring < rings; ++ring) {
        for (int seg = 0; seg < segments; ++seg) {
            Vec3 outward = g.vertices[at(ring + (ring == 0 ? 1 : 0), seg)].position;
            if (ring == 0) {
                AddTriangle(g, at(0, seg), at(1, seg + 1), at(1, seg), outward);
            } else if (ring == rings - 1) {
                AddTriangle(g, at(ring, seg), at(ring, seg + 1), at(rings, seg), outward);
            } else {
                AddTriangle(g, at(ring, seg), at(ring, seg + 1), at(ring + 1, seg + 1), outward);
                AddTriangle(g, at(ring, seg), at(ring + 1, seg + 1), at(ring + 1, seg), outward);
            }
        }
    }
    return g;
}

// Character parts. A body has radius about 1 around its origin; eyes sit on
// its surface 20 degrees to either side of -Z (the way a character faces);
// a limb model grows from its origin along +Y, which a model limb turns
// along each segment.

// The geometry scaled per axis, then turned about Y by `yaw` (radians, the
// engine's RotationY), then moved by `offset`; normals follow the scaling.
double Radians(double degrees) { return degrees * 3.14159265358979323846 / 180.0; }

Geometry Shaped(Geometry g, const Vec3& scale, double yaw, const Vec3& offset) {
    const double c = std::cos(yaw), s = std::sin(yaw);
    for (Vertex& v : g.vertices) {
        Vec3 p = {v.position.x * scale.x, v.position.y * scale.y, v.position.z * scale.z};
        Vec3 n = {v.normal.x / scale.x, v.normal.y / scale.y, v.normal.z / scale.z};
        double length = std::sqrt(double(Dot(n, n)));
        if (length > 0.0) n = {float(n.x / length), float(n.y / length), float(n.z / length)};
        v.position = {Tidy(p.x * c + p.z * s + offset.x), Tidy(p.y + offset.y), Tidy(-p.x * s + p.z * c + offset.z)};
        v.normal = {Tidy(n.x * c + n.z * s), Tidy(n.y), Tidy(-n.x * s + n.z * c)};
    }
    return g;
}

// A lens around its origin: a flattened sphere of radius r (depth d) facing
// along `yaw` from -Z, its texture laid flat across its face (u to the
// viewer's right, v down), so that an iris drawn in the middle of the
// texture looks out of the face. The character places it on the body.
Geometry Eye(double yaw) {
    const float r = 0.3f, d = 0.12f;
    Geometry g = Sphere(10, 16);
    for (Vertex& v : g.vertices) {
        v.u = Tidy(0.5 + v.position.x * 0.5);
        v.v = Tidy(0.5 - v.position.y * 0.5);
    }
    return Shaped(g, {r, r, d}, yaw, {0.0f, 0.0f, 0.0f});
}

// A sphere narrowing toward the top: the pear's waist.
Geometry Pear() {
    Geometry g = Sphere(16, 24);
    for (Vertex& v : g.vertices) {
        double y = v.position.y;
        double widen = 1.0 - 0.28 * y;  // 1.28 at the bottom, 0.72 at the top
        v.position = {Tidy(v.position.x * widen), Tidy(y * 1.1), Tidy(v.position.z * widen)};
        // The sphere's normal, widened like the surface and leaned upward
        // where the taper slopes it.
        Vec3 n = {float(v.normal.x / widen), float(v.normal.y + 0.28 * std::sqrt(1.0 - y * y)), float(v.normal.z / widen)};
        double length = std::sqrt(double(Dot(n, n)));
        v.normal = {Tidy(n.x / length), Tidy(n.y / length), Tidy(n.z / length)};
    }
    return g;
}

using plat::XDataObject;
using plat::XStructBuilder;
using plat::XValue;

const plat::XTemplateRegistry& Templates() { return plat::XTemplateRegistry::Standard(); }
const plat::XTemplate& Template(const char* name) { return *Templates().FindByName(name); }

XValue Vector(const Vec3& v) {
    return XStructBuilder(Template("Vector"))
        .Set("x", XValue::Real(v.x))
        .Set("y", XValue::Real(v.y))
        .Set("z", XValue::Real(v.z))
        .Build();
}

XValue Triangle(const std::vector<std::uint32_t>& indices, std::size_t face) {
    std::vector<XValue> corners;
    for (int k = 0; k < 3; ++k) corners.push_back(XValue::Integer(indices[face * 3 + k]));
    return XStructBuilder(Template("MeshFace"))
        .Set("nFaceVertexIndices", XValue::Integer(3))
        .Set("faceVertexIndices", XValue::Array(std::move(corners)))
        .Build();
}

XValue Faces(const Geometry& g) {
    std::vector<XValue> faces;
    for (std::size_t f = 0; f < g.triangles.size() / 3; ++f) faces.push_back(Triangle(g.triangles, f));
    return XValue::Array(std::move(faces));
}

std::unique_ptr<XDataObject> Normals(const Geometry& g) {
    auto object = std::make_unique<XDataObject>(Templates().FindByName("MeshNormals"), "");
    std::vector<XValue> normals;
    for (const Vertex& v : g.vertices) normals.push_back(Vector(v.normal));
    object->Data() = XStructBuilder(object->Template())
                         .Set("nNormals", XValue::Integer(std::int64_t(g.vertices.size())))
                         .Set("normals", XValue::Array(std::move(normals)))
                         .Set("nFaceNormals", XValue::Integer(std::int64_t(g.triangles.size() / 3)))
                         .Set("faceNormals", Faces(g))
                         .Build();
    return object;
}

std::unique_ptr<XDataObject> TextureCoords(const Geometry& g) {
    auto object = std::make_unique<XDataObject>(Templates().FindByName("MeshTextureCoords"), "");
    std::vector<XValue> coords;
    for (const Vertex& v : g.vertices)
        coords.push_back(
            XStructBuilder(Template("Coords2d")).Set("u", XValue::Real(v.u)).Set("v", XValue::Real(v.v)).Build());
    object->Data() = XStructBuilder(object->Template())
                         .Set("nTextureCoords", XValue::Integer(std::int64_t(g.vertices.size())))
                         .Set("textureCoords", XValue::Array(std::move(coords)))
                         .Build();
    return object;
}

// One white material for every face; the game binds textures itself.
std::unique_ptr<XDataObject> MaterialList(const Geometry& g) {
    auto list = std::make_unique<XDataObject>(Templates().FindByName("MeshMaterialList"), "");
    std::size_t faces = g.triangles.size() / 3;
    list->Data() = XStructBuilder(list->Template())
                       .Set("nMaterials", XValue::Integer(1))
                       .Set("nFaceIndexes", XValue::Integer(std::int64_t(faces)))
                       .Set("faceIndexes", XValue::Array(std::vector<XValue>(faces, XValue::Integer(0))))
                       .Build();
    auto color = [](const char* templ, std::initializer_list<std::pair<const char*, double>> parts) {
        XStructBuilder b(Template(templ));
        for (const auto& [name, value] : parts) b.Set(name, XValue::Real(value));
        return b.Build();
    };
    auto material = std::make_unique<XDataObject>(Templates().FindByName("Material"), "");
    material->Data() = XStructBuilder(material->Template())
                           .Set("faceColor", color("ColorRGBA", {{"red", 1}, {"green", 1}, {"blue", 1}, {"alpha", 1}}))
                           .Set("power", XValue::Real(10))
                           .Set("specularColor", color("ColorRGB", {{"red", 1}, {"green", 1}, {"blue", 1}}))
                           .Set("emissiveColor", color("ColorRGB", {{"red", 0}, {"green", 0}, {"blue", 0}}))
                           .Build();
    list->AddChild(std::move(material));
    return list;
}

std::unique_ptr<XDataObject> MeshObject(const std::string& name, const Geometry& g) {
    auto mesh = std::make_unique<XDataObject>(Templates().FindByName("Mesh"), name);
    std::vector<XValue> positions;
    for (const Vertex& v : g.vertices) positions.push_back(Vector(v.position));
    mesh->Data() = XStructBuilder(mesh->Template())
                       .Set("nVertices", XValue::Integer(std::int64_t(g.vertices.size())))
                       .Set("vertices", XValue::Array(std::move(positions)))
                       .Set("nFaces", XValue::Integer(std::int64_t(g.triangles.size() / 3)))
                       .Set("faces", Faces(g))
                       .Build();
    mesh->AddChild(Normals(g));
    mesh->AddChild(TextureCoords(g));
    mesh->AddChild(MaterialList(g));
    return mesh;
}

bool Write(const std::filesystem::path& root, const std::string& relative, const std::string& meshName,
           const Geometry& g) {
    std::filesystem::path path = root / "Assets" / "Models" / relative;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    auto mesh = MeshObject(meshName, g);
    std::vector<const XDataObject*> objects{mesh.get()};
    std::string error;
    if (!plat::SaveXFile(path.string(), plat::TemplatesUsedBy(objects), objects, &error)) {
        std::fprintf(stderr, "make_models: %s\n", error.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_models <output root>\n");
        return 2;
    }
    std::filesystem::path root = argv[1];
    bool ok = Write(root, "plane.x", "Plane", Plane(1)) && Write(root, "ground.x", "Ground", Plane(16)) &&
              Write(root, "skybox.x", "Skybox", Skybox()) &&
              Write(root, "Body/sphereLow.x", "SphereLow", Sphere(8, 12)) &&
              Write(root, "Body/sphereMedium.x", "SphereMedium", Sphere(16, 24)) &&
              Write(root, "Body/egg.x", "Egg", Shaped(Sphere(16, 24), {0.85f, 1.15f, 0.85f}, 0.0, {0, 0, 0})) &&
              Write(root, "Body/pebble.x", "Pebble", Shaped(Sphere(12, 16), {1.15f, 0.75f, 1.0f}, 0.4, {0, 0, 0})) &&
              Write(root, "Body/pear.x", "Pear", Pear()) &&
              Write(root, "leftEye.x", "LeftEye", Eye(-Radians(20.0))) &&
              Write(root, "rightEye.x", "RightEye", Eye(Radians(20.0))) &&
              Write(root, "Limb/playerLimb.x", "PlayerLimb",
                    Shaped(Sphere(8, 12), {0.22f, 0.5f, 0.22f}, 0.0, {0.0f, 0.5f, 0.0f})) &&
              Write(root, "Limb/leaf.x", "Leaf", Shaped(Sphere(8, 12), {0.3f, 0.5f, 0.07f}, 0.0, {0.0f, 0.5f, 0.0f}));
    return ok ? 0 : 1;
}
