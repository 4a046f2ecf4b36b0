// Mesh building (primitives with flat or smooth normals, subsets, texture rectangles, bone
// assignment) and writing as text DirectX .x files, static or skinned and animated.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mkassets {

struct V3 {
    float x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
inline float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 normalize(V3 a);

// A rectangle of the texture: u0, v0 (top left) to u1, v1.
struct UvRect {
    float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

// Row-vector affine transform (the fourth row is the translation), as the engine uses them.
struct Xform {
    float m[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
    V3 point(V3 p) const;
    V3 dir(V3 d) const;
    static Xform translate(V3 t);
    static Xform rotateX(float a);
    static Xform rotateY(float a);
    static Xform rotateZ(float a);
    static Xform scale(V3 s);
    Xform then(const Xform& next) const;  // this first, then next
};

struct Vertex {
    V3 p, n;
    float u = 0, v = 0;
    int bone = -1;         // rigid bone, or first of the blend pair
    int bone2 = -1;        // second bone (blend), -1 when rigid
    float weight2 = 0;     // weight of bone2
};

class MeshBuilder {
public:
    // Subset, texture rectangle, bone and transform that new geometry takes.
    void setSubset(int s) { subset_ = s; }
    void setUv(UvRect r) { uv_ = r; }
    void setBone(int b) { bone_ = b; }
    void setXform(const Xform& x) { xf_ = x; }
    const Xform& xform() const { return xf_; }

    // A flat triangle or quad, wound so that its face points along the geometric normal of a, b, c.
    void tri(V3 a, V3 b, V3 c, std::array<float, 6> uv);
    // Triangle turned to face along `out` (uv follow their corners).
    void triFacing(V3 a, V3 b, V3 c, std::array<float, 6> uv, V3 out);
    void quad(V3 a, V3 b, V3 c, V3 d);  // corners in order; uv from the current rectangle
    // Quad with corners top-left, top-right, bottom-right, bottom-left, turned to face along `out`.
    void quadFacing(V3 a, V3 b, V3 c, V3 d, V3 out);
    // The inner surface of an open frustum (seen from inside), e.g. the inside of a lampshade.
    void innerCone(V3 c, float r0, float r1, float h, int segs);
    // A flat-shaded octahedron (closed), for small ornaments and tree lights.
    void octahedron(V3 c, float r);
    // Axis-aligned box, flat normals, closed and facing outwards; uv rectangle mapped on every face.
    void box(V3 mn, V3 mx);
    // A closed prism/cylinder along +y from base centre c: radius r0 at the bottom, r1 at the top.
    // smooth = shared side normals; caps closed when r > 0.
    void cylinder(V3 c, float r0, float r1, float h, int segs, bool smooth, bool caps = true, float phase = 0);
    // UV sphere with smooth normals (an ellipsoid with radii r).
    void sphere(V3 c, V3 r, int slices, int stacks);
    // Torus around the y axis.
    void torus(V3 c, float major, float minor, int segs, int sides);

    // Adds a raw vertex (already transformed) and a face by indices (used by the characters).
    uint32_t addVertex(const Vertex& v);
    void addFace(uint32_t a, uint32_t b, uint32_t c);

    std::vector<Vertex>& vertices() { return verts_; }
    const std::vector<Vertex>& vertices() const { return verts_; }
    const std::vector<std::array<uint32_t, 3>>& faces() const { return faces_; }
    const std::vector<int>& faceSubsets() const { return faceSubset_; }
    int subsetCount() const;
    // Sorts faces by subset so that every subset is one attribute range (order kept within each).
    void sortBySubset();

    // Bounds of all vertices.
    void bounds(V3& mn, V3& mx) const;

private:
    Vertex make(V3 p, V3 n, float u, float v) const;
    std::vector<Vertex> verts_;
    std::vector<std::array<uint32_t, 3>> faces_;
    std::vector<int> faceSubset_;
    int subset_ = 0;
    int bone_ = -1;
    UvRect uv_;
    Xform xf_;
};

// A bone of a skinned model: a frame with a bind-pose offset from its parent (no rotation).
struct Bone {
    std::string name;
    int parent = -1;
    V3 offset;  // joint position relative to the parent joint
};

// One animation key set: per bone, rotation keys (Euler x, y, z radians applied in that order) and
// optional position keys, sampled at the given tick times.
struct BoneTrack {
    int bone = 0;
    std::vector<uint32_t> times;
    std::vector<V3> euler;      // one per time
    std::vector<V3> position;   // empty: the bind position is kept
};

struct SkinnedModel {
    std::vector<Bone> bones;
    MeshBuilder mesh;
    std::string texture;
    std::string animationName;
    std::vector<BoneTrack> tracks;
    Xform root;  // transform of the top frame that holds the skeleton
};

// When set, every mesh written is also recorded here (the gallery draws them from this record).
struct MeshCapture {
    std::vector<std::pair<std::string, MeshBuilder>> statics;  // file name, mesh
    std::vector<std::pair<std::string, SkinnedModel>> skinned;
    std::vector<std::string> staticTextures;
};
extern MeshCapture* g_meshCapture;

// Text .x of a static mesh (one frame, identity transform, one material per subset).
std::string WriteStaticX(const MeshBuilder& mesh, const std::string& name, const std::string& texture);
// Text .x of a skinned, animated model.
std::string WriteSkinnedX(const SkinnedModel& model, const std::string& name);

// World-space joint positions of the bind pose.
std::vector<V3> BindJoints(const std::vector<Bone>& bones);

}  // namespace mkassets
