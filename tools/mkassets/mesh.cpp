#include "mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <stdexcept>
#include <functional>
#include <tuple>

namespace mkassets {

constexpr float kPi = 3.14159265f;

V3 normalize(V3 a) {
    const float l = std::sqrt(dot(a, a));
    return l > 1e-12f ? a * (1.0f / l) : V3{0, 1, 0};
}

V3 Xform::point(V3 p) const {
    return {p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
            p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
            p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]};
}

V3 Xform::dir(V3 d) const {
    return {d.x * m[0][0] + d.y * m[1][0] + d.z * m[2][0], d.x * m[0][1] + d.y * m[1][1] + d.z * m[2][1],
            d.x * m[0][2] + d.y * m[1][2] + d.z * m[2][2]};
}

Xform Xform::translate(V3 t) {
    Xform x;
    x.m[3][0] = t.x;
    x.m[3][1] = t.y;
    x.m[3][2] = t.z;
    return x;
}

// Rotations in the Direct3D row-vector sense (the same as the engine's mat_Rotate functions).
Xform Xform::rotateX(float a) {
    Xform x;
    const float c = std::cos(a), s = std::sin(a);
    x.m[1][1] = c; x.m[1][2] = s;
    x.m[2][1] = -s; x.m[2][2] = c;
    return x;
}

Xform Xform::rotateY(float a) {
    Xform x;
    const float c = std::cos(a), s = std::sin(a);
    x.m[0][0] = c; x.m[0][2] = -s;
    x.m[2][0] = s; x.m[2][2] = c;
    return x;
}

Xform Xform::rotateZ(float a) {
    Xform x;
    const float c = std::cos(a), s = std::sin(a);
    x.m[0][0] = c; x.m[0][1] = s;
    x.m[1][0] = -s; x.m[1][1] = c;
    return x;
}

Xform Xform::scale(V3 s) {
    Xform x;
    x.m[0][0] = s.x;
    x.m[1][1] = s.y;
    x.m[2][2] = s.z;
    return x;
}

Xform Xform::then(const Xform& n) const {
    Xform r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) {
            float v = m[i][0] * n.m[0][j] + m[i][1] * n.m[1][j] + m[i][2] * n.m[2][j];
            if (i == 3) v += n.m[3][j];
            r.m[i][j] = v;
        }
    return r;
}

Vertex MeshBuilder::make(V3 p, V3 n, float u, float v) const {
    Vertex vx;
    vx.p = xf_.point(p);
    vx.n = normalize(xf_.dir(n));
    vx.u = u;
    vx.v = v;
    vx.bone = bone_;
    return vx;
}

uint32_t MeshBuilder::addVertex(const Vertex& v) {
    verts_.push_back(v);
    return static_cast<uint32_t>(verts_.size() - 1);
}

void MeshBuilder::addFace(uint32_t a, uint32_t b, uint32_t c) {
    faces_.push_back({a, b, c});
    faceSubset_.push_back(subset_);
}

void MeshBuilder::tri(V3 a, V3 b, V3 c, std::array<float, 6> uv) {
    const V3 n = normalize(cross(xf_.point(b) - xf_.point(a), xf_.point(c) - xf_.point(a)));
    Vertex va = make(a, {0, 0, 0}, uv[0], uv[1]), vb = make(b, {0, 0, 0}, uv[2], uv[3]), vc = make(c, {0, 0, 0}, uv[4], uv[5]);
    va.n = vb.n = vc.n = n;
    const uint32_t i = addVertex(va), j = addVertex(vb), k = addVertex(vc);
    addFace(i, j, k);
}

void MeshBuilder::triFacing(V3 a, V3 b, V3 c, std::array<float, 6> uv, V3 out) {
    if (dot(cross(xf_.point(b) - xf_.point(a), xf_.point(c) - xf_.point(a)), xf_.dir(out)) < 0)
        tri(a, c, b, {uv[0], uv[1], uv[4], uv[5], uv[2], uv[3]});
    else
        tri(a, b, c, uv);
}

namespace {

// Emits a quad (p[0..3] around its edge) so that it faces along `out`, with per-corner uv and normals
// (flat when `normals` is null).
void EmitQuad(MeshBuilder& mb, const Xform& xf, int bone, std::array<V3, 4> p, std::array<float, 8> uv, V3 out,
              const std::array<V3, 4>* normals) {
    const V3 wa = xf.point(p[0]), wb = xf.point(p[1]), wc = xf.point(p[2]);
    const V3 wo = xf.dir(out);
    V3 flat = normalize(cross(wb - wa, wc - wa));
    std::array<int, 4> order = {0, 1, 2, 3};
    if (dot(flat, wo) < 0) {
        order = {0, 3, 2, 1};
        flat = flat * -1.0f;
    }
    uint32_t idx[4];
    for (int k = 0; k < 4; ++k) {
        const int i = order[k];
        Vertex v;
        v.p = xf.point(p[i]);
        v.n = normals ? normalize(xf.dir((*normals)[i])) : flat;
        v.u = uv[2 * i];
        v.v = uv[2 * i + 1];
        v.bone = bone;
        idx[k] = mb.addVertex(v);
    }
    mb.addFace(idx[0], idx[1], idx[2]);
    mb.addFace(idx[0], idx[2], idx[3]);
}

}  // namespace

void MeshBuilder::quad(V3 a, V3 b, V3 c, V3 d) {
    const V3 out = cross(b - a, c - a);
    EmitQuad(*this, xf_, bone_, {a, b, c, d}, {uv_.u0, uv_.v0, uv_.u1, uv_.v0, uv_.u1, uv_.v1, uv_.u0, uv_.v1}, out, nullptr);
}

void MeshBuilder::quadFacing(V3 a, V3 b, V3 c, V3 d, V3 out) {
    EmitQuad(*this, xf_, bone_, {a, b, c, d}, {uv_.u0, uv_.v0, uv_.u1, uv_.v0, uv_.u1, uv_.v1, uv_.u0, uv_.v1}, out, nullptr);
}

void MeshBuilder::innerCone(V3 c, float r0, float r1, float h, int segs) {
    const UvRect r = uv_;
    for (int i = 0; i < segs; ++i) {
        const float a0 = 2 * kPi * i / segs, a1 = 2 * kPi * (i + 1) / segs;
        const V3 d0{std::sin(a0), 0, std::cos(a0)}, d1{std::sin(a1), 0, std::cos(a1)};
        const V3 b0 = c + d0 * r0, b1 = c + d1 * r0, t0 = c + d0 * r1 + V3{0, h, 0}, t1 = c + d1 * r1 + V3{0, h, 0};
        const float u0 = r.u0 + (r.u1 - r.u0) * i / segs, u1 = r.u0 + (r.u1 - r.u0) * (i + 1) / segs;
        EmitQuad(*this, xf_, bone_, {t0, t1, b1, b0}, {u0, r.v0, u1, r.v0, u1, r.v1, u0, r.v1}, normalize(d0 + d1) * -1.0f, nullptr);
    }
}

void MeshBuilder::octahedron(V3 c, float r) {
    const V3 ax[6] = {{r, 0, 0}, {-r, 0, 0}, {0, r, 0}, {0, -r, 0}, {0, 0, r}, {0, 0, -r}};
    const UvRect u = uv_;
    const float cu = (u.u0 + u.u1) * 0.5f, cv = (u.v0 + u.v1) * 0.5f;
    for (int sx = 0; sx < 2; ++sx)
        for (int sy = 2; sy < 4; ++sy)
            for (int sz = 4; sz < 6; ++sz) {
                V3 a = c + ax[sx], b = c + ax[sy], d = c + ax[sz];
                const V3 out = ax[sx] + ax[sy] + ax[sz];
                if (dot(cross(xf_.point(b) - xf_.point(a), xf_.point(d) - xf_.point(a)), xf_.dir(out)) < 0) std::swap(b, d);
                tri(a, b, d, {u.u0, u.v0, u.u1, cv, cu, u.v1});
            }
}

void MeshBuilder::box(V3 mn, V3 mx) {
    const UvRect r = uv_;
    const std::array<float, 8> uv = {r.u0, r.v0, r.u1, r.v0, r.u1, r.v1, r.u0, r.v1};
    const float x0 = mn.x, y0 = mn.y, z0 = mn.z, x1 = mx.x, y1 = mx.y, z1 = mx.z;
    // Sides: corners top-left, top-right, bottom-right, bottom-left as seen from outside.
    EmitQuad(*this, xf_, bone_, {V3{x0, y1, z0}, V3{x1, y1, z0}, V3{x1, y0, z0}, V3{x0, y0, z0}}, uv, {0, 0, -1}, nullptr);
    EmitQuad(*this, xf_, bone_, {V3{x1, y1, z1}, V3{x0, y1, z1}, V3{x0, y0, z1}, V3{x1, y0, z1}}, uv, {0, 0, 1}, nullptr);
    EmitQuad(*this, xf_, bone_, {V3{x0, y1, z1}, V3{x0, y1, z0}, V3{x0, y0, z0}, V3{x0, y0, z1}}, uv, {-1, 0, 0}, nullptr);
    EmitQuad(*this, xf_, bone_, {V3{x1, y1, z0}, V3{x1, y1, z1}, V3{x1, y0, z1}, V3{x1, y0, z0}}, uv, {1, 0, 0}, nullptr);
    EmitQuad(*this, xf_, bone_, {V3{x0, y1, z1}, V3{x1, y1, z1}, V3{x1, y1, z0}, V3{x0, y1, z0}}, uv, {0, 1, 0}, nullptr);
    EmitQuad(*this, xf_, bone_, {V3{x0, y0, z0}, V3{x1, y0, z0}, V3{x1, y0, z1}, V3{x0, y0, z1}}, uv, {0, -1, 0}, nullptr);
}

void MeshBuilder::cylinder(V3 c, float r0, float r1, float h, int segs, bool smooth, bool caps, float phase) {
    const UvRect r = uv_;
    const float slope = (r0 - r1) / std::max(h, 1e-4f);
    for (int i = 0; i < segs; ++i) {
        const float a0 = phase + 2 * kPi * i / segs, a1 = phase + 2 * kPi * (i + 1) / segs;
        const V3 d0{std::sin(a0), 0, std::cos(a0)}, d1{std::sin(a1), 0, std::cos(a1)};
        const V3 b0 = c + d0 * r0, b1 = c + d1 * r0;
        const V3 t0 = c + d0 * r1 + V3{0, h, 0}, t1 = c + d1 * r1 + V3{0, h, 0};
        const float u0 = r.u0 + (r.u1 - r.u0) * i / segs, u1 = r.u0 + (r.u1 - r.u0) * (i + 1) / segs;
        const V3 mid = normalize(d0 + d1);
        const V3 out{mid.x, slope, mid.z};
        if (r1 > 1e-5f || r0 > 1e-5f) {
            if (r1 <= 1e-5f) {
                // Cone tip: one triangle.
                const V3 tip = c + V3{0, h, 0};
                const V3 fa = xf_.point(tip), fb = xf_.point(b1), fc = xf_.point(b0);
                V3 fn = normalize(cross(fb - fa, fc - fa));
                const bool flip = dot(fn, xf_.dir(out)) < 0;
                Vertex vt = make(tip, smooth ? normalize(out) : V3{0, 0, 0}, (u0 + u1) * 0.5f, r.v0);
                Vertex v1 = make(b1, smooth ? normalize(V3{d1.x, slope, d1.z}) : V3{0, 0, 0}, u1, r.v1);
                Vertex v0 = make(b0, smooth ? normalize(V3{d0.x, slope, d0.z}) : V3{0, 0, 0}, u0, r.v1);
                if (!smooth) vt.n = v1.n = v0.n = flip ? fn * -1.0f : fn;
                const uint32_t it = addVertex(vt), i1 = addVertex(v1), i0 = addVertex(v0);
                if (flip) addFace(it, i0, i1); else addFace(it, i1, i0);
            } else {
                const std::array<V3, 4> n = {V3{d0.x, slope, d0.z}, V3{d1.x, slope, d1.z}, V3{d1.x, slope, d1.z}, V3{d0.x, slope, d0.z}};
                EmitQuad(*this, xf_, bone_, {t0, t1, b1, b0}, {u0, r.v0, u1, r.v0, u1, r.v1, u0, r.v1}, out, smooth ? &n : nullptr);
            }
        }
        if (caps) {
            const float cu = (r.u0 + r.u1) * 0.5f, cv = (r.v0 + r.v1) * 0.5f, hu = (r.u1 - r.u0) * 0.5f, hv = (r.v1 - r.v0) * 0.5f;
            if (r1 > 1e-5f) {
                const V3 tc = c + V3{0, h, 0};
                const V3 fa = xf_.point(tc), fb = xf_.point(t0), fcp = xf_.point(t1);
                const bool flip = dot(cross(fb - fa, fcp - fa), xf_.dir({0, 1, 0})) < 0;
                const std::array<float, 6> uv = {cu, cv, cu + hu * d0.x, cv + hv * d0.z, cu + hu * d1.x, cv + hv * d1.z};
                if (flip) tri(tc, t1, t0, {uv[0], uv[1], uv[4], uv[5], uv[2], uv[3]});
                else tri(tc, t0, t1, uv);
            }
            if (r0 > 1e-5f) {
                const V3 fa = xf_.point(c), fb = xf_.point(b0), fcp = xf_.point(b1);
                const bool flip = dot(cross(fb - fa, fcp - fa), xf_.dir({0, -1, 0})) < 0;
                const std::array<float, 6> uv = {cu, cv, cu + hu * d0.x, cv + hv * d0.z, cu + hu * d1.x, cv + hv * d1.z};
                if (flip) tri(c, b1, b0, {uv[0], uv[1], uv[4], uv[5], uv[2], uv[3]});
                else tri(c, b0, b1, uv);
            }
        }
    }
}

void MeshBuilder::sphere(V3 c, V3 rad, int slices, int stacks) {
    const UvRect r = uv_;
    auto pt = [&](int i, int j) {
        const float th = kPi * j / stacks, ph = 2 * kPi * i / slices;
        const V3 d{std::sin(th) * std::sin(ph), std::cos(th), std::sin(th) * std::cos(ph)};
        return d;
    };
    for (int j = 0; j < stacks; ++j)
        for (int i = 0; i < slices; ++i) {
            const V3 d[4] = {pt(i, j), pt(i + 1, j), pt(i + 1, j + 1), pt(i, j + 1)};
            std::array<V3, 4> p, n;
            for (int k = 0; k < 4; ++k) {
                p[k] = c + V3{d[k].x * rad.x, d[k].y * rad.y, d[k].z * rad.z};
                n[k] = normalize(V3{d[k].x / rad.x, d[k].y / rad.y, d[k].z / rad.z});
            }
            const float u0 = r.u0 + (r.u1 - r.u0) * i / slices, u1 = r.u0 + (r.u1 - r.u0) * (i + 1) / slices;
            const float v0 = r.v0 + (r.v1 - r.v0) * j / stacks, v1 = r.v0 + (r.v1 - r.v0) * (j + 1) / stacks;
            const V3 out = normalize(n[0] + n[1] + n[2] + n[3]);
            if (j == 0 || j == stacks - 1) {
                // Pole rows: one triangle (the quad is degenerate).
                const int skip = j == 0 ? 0 : 2;
                std::array<int, 3> k3;
                int m = 0;
                for (int k = 0; k < 4; ++k)
                    if (k != skip) k3[m++] = k;
                const float uvs[8] = {u0, v0, u1, v0, u1, v1, u0, v1};
                Vertex vs[3];
                for (int k = 0; k < 3; ++k) {
                    vs[k] = make(p[k3[k]], n[k3[k]], uvs[2 * k3[k]], uvs[2 * k3[k] + 1]);
                }
                const V3 fn = cross(vs[1].p - vs[0].p, vs[2].p - vs[0].p);
                const uint32_t a = addVertex(vs[0]), b = addVertex(vs[1]), cc = addVertex(vs[2]);
                if (dot(fn, xform().dir(out)) < 0) addFace(a, cc, b); else addFace(a, b, cc);
            } else {
                EmitQuad(*this, xf_, bone_, p, {u0, v0, u1, v0, u1, v1, u0, v1}, out, &n);
            }
        }
}

void MeshBuilder::torus(V3 c, float major, float minor, int segs, int sides) {
    const UvRect r = uv_;
    auto pt = [&](int i, int j, V3& n) {
        const float a = 2 * kPi * i / segs, b = 2 * kPi * j / sides;
        const V3 radial{std::sin(a), 0, std::cos(a)};
        n = radial * std::cos(b) + V3{0, std::sin(b), 0};
        return c + radial * major + n * minor;
    };
    for (int i = 0; i < segs; ++i)
        for (int j = 0; j < sides; ++j) {
            std::array<V3, 4> p, n;
            p[0] = pt(i, j, n[0]);
            p[1] = pt(i + 1, j, n[1]);
            p[2] = pt(i + 1, j + 1, n[2]);
            p[3] = pt(i, j + 1, n[3]);
            const float u0 = r.u0 + (r.u1 - r.u0) * i / segs, u1 = r.u0 + (r.u1 - r.u0) * (i + 1) / segs;
            const float v0 = r.v0 + (r.v1 - r.v0) * j / sides, v1 = r.v0 + (r.v1 - r.v0) * (j + 1) / sides;
            EmitQuad(*this, xf_, bone_, p, {u0, v0, u1, v0, u1, v1, u0, v1}, normalize(n[0] + n[2]), &n);
        }
}

int MeshBuilder::subsetCount() const {
    int m = 0;
    for (int s : faceSubset_) m = std::max(m, s + 1);
    return m;
}

void MeshBuilder::sortBySubset() {
    std::vector<size_t> order(faces_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return faceSubset_[a] < faceSubset_[b]; });
    std::vector<std::array<uint32_t, 3>> f;
    std::vector<int> s;
    for (size_t i : order) {
        f.push_back(faces_[i]);
        s.push_back(faceSubset_[i]);
    }
    faces_ = f;
    faceSubset_ = s;
}

void MeshBuilder::bounds(V3& mn, V3& mx) const {
    mn = {1e9f, 1e9f, 1e9f};
    mx = {-1e9f, -1e9f, -1e9f};
    for (const Vertex& v : verts_) {
        mn = {std::min(mn.x, v.p.x), std::min(mn.y, v.p.y), std::min(mn.z, v.p.z)};
        mx = {std::max(mx.x, v.p.x), std::max(mx.y, v.p.y), std::max(mx.z, v.p.z)};
    }
}

// ---------------------------------------------------------------------------------------------
// .x text writing

namespace {

std::string F(float v) {
    if (std::fabs(v) < 5e-7f) v = 0.0f;  // no "-0.000000"
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", v);
    return buf;
}

// Shares identical vertices so that smooth surfaces are stored once.
struct Compact {
    std::vector<Vertex> verts;
    std::vector<std::array<uint32_t, 3>> faces;
    std::vector<int> subsets;
};

Compact CompactMesh(const MeshBuilder& mb) {
    MeshBuilder copy = mb;
    copy.sortBySubset();
    Compact c;
    std::map<std::tuple<float, float, float, float, float, float, float, float, int, int, float>, uint32_t> seen;
    std::vector<uint32_t> remap(copy.vertices().size());
    for (size_t i = 0; i < copy.vertices().size(); ++i) {
        const Vertex& v = copy.vertices()[i];
        auto key = std::make_tuple(v.p.x, v.p.y, v.p.z, v.n.x, v.n.y, v.n.z, v.u, v.v, v.bone, v.bone2, v.weight2);
        auto it = seen.find(key);
        if (it == seen.end()) {
            it = seen.emplace(key, static_cast<uint32_t>(c.verts.size())).first;
            c.verts.push_back(v);
        }
        remap[i] = it->second;
    }
    for (size_t f = 0; f < copy.faces().size(); ++f) {
        const auto& t = copy.faces()[f];
        c.faces.push_back({remap[t[0]], remap[t[1]], remap[t[2]]});
        c.subsets.push_back(copy.faceSubsets()[f]);
    }
    if (c.verts.size() > 65535) throw std::runtime_error("mesh has more vertices than 16-bit indices reach");
    return c;
}

void MeshBody(std::string& o, const Compact& c, const std::string& texture, int subsets, const std::string& ind) {
    o += ind + std::to_string(c.verts.size()) + ";\n";
    for (size_t i = 0; i < c.verts.size(); ++i) {
        const V3& p = c.verts[i].p;
        o += ind + F(p.x) + ";" + F(p.y) + ";" + F(p.z) + ";" + (i + 1 < c.verts.size() ? ",\n" : ";\n");
    }
    auto faceList = [&](const std::string& in) {
        o += in + std::to_string(c.faces.size()) + ";\n";
        for (size_t i = 0; i < c.faces.size(); ++i) {
            const auto& f = c.faces[i];
            o += in + "3;" + std::to_string(f[0]) + "," + std::to_string(f[1]) + "," + std::to_string(f[2]) + ";" +
                 (i + 1 < c.faces.size() ? ",\n" : ";\n");
        }
    };
    faceList(ind);
    o += "\n" + ind + "MeshNormals {\n";
    const std::string in2 = ind + " ";
    o += in2 + std::to_string(c.verts.size()) + ";\n";
    for (size_t i = 0; i < c.verts.size(); ++i) {
        const V3& n = c.verts[i].n;
        o += in2 + F(n.x) + ";" + F(n.y) + ";" + F(n.z) + ";" + (i + 1 < c.verts.size() ? ",\n" : ";\n");
    }
    faceList(in2);
    o += ind + "}\n\n" + ind + "MeshTextureCoords {\n";
    o += in2 + std::to_string(c.verts.size()) + ";\n";
    for (size_t i = 0; i < c.verts.size(); ++i)
        o += in2 + F(c.verts[i].u) + ";" + F(c.verts[i].v) + ";" + (i + 1 < c.verts.size() ? ",\n" : ";\n");
    o += ind + "}\n\n" + ind + "MeshMaterialList {\n";
    o += in2 + std::to_string(subsets) + ";\n" + in2 + std::to_string(c.faces.size()) + ";\n";
    for (size_t i = 0; i < c.subsets.size(); ++i)
        o += in2 + std::to_string(c.subsets[i]) + (i + 1 < c.subsets.size() ? ",\n" : ";\n");
    for (int s = 0; s < subsets; ++s) {
        o += "\n" + in2 + "Material {\n";
        o += in2 + " 1.000000;1.000000;1.000000;1.000000;;\n" + in2 + " 0.000000;\n";
        o += in2 + " 0.000000;0.000000;0.000000;;\n" + in2 + " 0.000000;0.000000;0.000000;;\n";
        o += in2 + " TextureFilename {\n" + in2 + "  \"" + texture + "\";\n" + in2 + " }\n" + in2 + "}\n";
    }
    o += ind + "}\n";
}

std::string Matrix(const Xform& x) {
    std::string s;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            const float v = c < 3 ? x.m[r][c] : (r == 3 ? 1.0f : 0.0f);
            s += F(v) + (r == 3 && c == 3 ? ";;" : ",");
        }
    return s;
}

// Quaternion (x, y, z, w) of rotating about x, then y, then z.
std::array<float, 4> EulerQuat(V3 e) {
    auto axis = [](float a, int k) {
        std::array<float, 4> q = {0, 0, 0, std::cos(a * 0.5f)};
        q[k] = std::sin(a * 0.5f);
        return q;
    };
    auto mul = [](const std::array<float, 4>& a, const std::array<float, 4>& b) {  // Hamilton a * b
        return std::array<float, 4>{a[3] * b[0] + a[0] * b[3] + a[1] * b[2] - a[2] * b[1],
                                    a[3] * b[1] - a[0] * b[2] + a[1] * b[3] + a[2] * b[0],
                                    a[3] * b[2] + a[0] * b[1] - a[1] * b[0] + a[2] * b[3],
                                    a[3] * b[3] - a[0] * b[0] - a[1] * b[1] - a[2] * b[2]};
    };
    return mul(axis(e.z, 2), mul(axis(e.y, 1), axis(e.x, 0)));
}

const char* kSkinTemplates =
    "template XSkinMeshHeader {\n <3CF169CE-FF7C-44ab-93C0-F78F62D172E2>\n WORD nMaxSkinWeightsPerVertex;\n"
    " WORD nMaxSkinWeightsPerFace;\n WORD nBones;\n}\n\n"
    "template SkinWeights {\n <6F0D123B-BAD2-4167-A0D0-80224F25FABB>\n STRING transformNodeName;\n DWORD nWeights;\n"
    " array DWORD vertexIndices[nWeights];\n array FLOAT weights[nWeights];\n Matrix4x4 matrixOffset;\n}\n\n"
    "template AnimTicksPerSecond {\n <9E415A43-7BA6-4a73-8743-B73D47E88476>\n DWORD AnimTicksPerSecond;\n}\n\n";

}  // namespace

MeshCapture* g_meshCapture = nullptr;

std::string WriteStaticX(const MeshBuilder& mesh, const std::string& name, const std::string& texture) {
    if (g_meshCapture) {
        g_meshCapture->statics.push_back({name, mesh});
        g_meshCapture->staticTextures.push_back(texture);
    }
    const Compact c = CompactMesh(mesh);
    std::string o = "xof 0303txt 0032\n\n";
    o += "Mesh " + name + " {\n";
    MeshBody(o, c, texture, std::max(1, mesh.subsetCount()), " ");
    o += "}\n";
    return o;
}

std::vector<V3> BindJoints(const std::vector<Bone>& bones) {
    std::vector<V3> j(bones.size());
    for (size_t i = 0; i < bones.size(); ++i)
        j[i] = bones[i].offset + (bones[i].parent >= 0 ? j[bones[i].parent] : V3{});
    return j;
}

std::string WriteSkinnedX(const SkinnedModel& model, const std::string& name) {
    if (g_meshCapture) g_meshCapture->skinned.push_back({name, model});
    const Compact c = CompactMesh(model.mesh);
    const std::vector<V3> joints = BindJoints(model.bones);
    std::string o = "xof 0303txt 0032\n\n";
    o += kSkinTemplates;
    o += "AnimTicksPerSecond {\n 4800;\n}\n\n";
    o += "Frame " + name + "_Root {\n FrameTransformMatrix {\n  " + Matrix(model.root) + "\n }\n\n";

    // Bone frames, nested by parent.
    std::function<void(int, const std::string&)> writeBone = [&](int b, const std::string& ind) {
        o += ind + "Frame " + model.bones[b].name + " {\n";
        o += ind + " FrameTransformMatrix {\n" + ind + "  " + Matrix(Xform::translate(model.bones[b].offset)) + "\n" + ind + " }\n";
        for (size_t k = 0; k < model.bones.size(); ++k)
            if (model.bones[k].parent == b) writeBone(static_cast<int>(k), ind + " ");
        o += ind + "}\n";
    };
    for (size_t k = 0; k < model.bones.size(); ++k)
        if (model.bones[k].parent < 0) writeBone(static_cast<int>(k), " ");

    // Skin: one weight block per bone that carries vertices.
    std::vector<std::vector<std::pair<uint32_t, float>>> weights(model.bones.size());
    bool blended = false;
    for (size_t i = 0; i < c.verts.size(); ++i) {
        const Vertex& v = c.verts[i];
        if (v.bone < 0) throw std::runtime_error(name + ": vertex without a bone");
        if (v.bone2 >= 0 && v.weight2 > 0) {
            weights[v.bone].push_back({static_cast<uint32_t>(i), 1.0f - v.weight2});
            weights[v.bone2].push_back({static_cast<uint32_t>(i), v.weight2});
            blended = true;
        } else {
            weights[v.bone].push_back({static_cast<uint32_t>(i), 1.0f});
        }
    }
    size_t maxPerFace = 1;
    for (const auto& f : c.faces) {
        std::set<int> s;
        for (uint32_t k : f) {
            s.insert(c.verts[k].bone);
            if (c.verts[k].bone2 >= 0) s.insert(c.verts[k].bone2);
        }
        maxPerFace = std::max(maxPerFace, s.size());
    }
    int used = 0;
    for (const auto& w : weights) used += w.empty() ? 0 : 1;

    o += "\n Mesh " + name + "_Skin {\n";
    MeshBody(o, c, model.texture, std::max(1, model.mesh.subsetCount()), "  ");
    o += "\n  XSkinMeshHeader {\n   " + std::to_string(blended ? 2 : 1) + ";\n   " + std::to_string(maxPerFace) + ";\n   " +
         std::to_string(used) + ";\n  }\n";
    for (size_t b = 0; b < model.bones.size(); ++b) {
        if (weights[b].empty()) continue;
        o += "\n  SkinWeights {\n   \"" + model.bones[b].name + "\";\n   " + std::to_string(weights[b].size()) + ";\n";
        for (size_t i = 0; i < weights[b].size(); ++i)
            o += "   " + std::to_string(weights[b][i].first) + (i + 1 < weights[b].size() ? ",\n" : ";\n");
        for (size_t i = 0; i < weights[b].size(); ++i)
            o += "   " + F(weights[b][i].second) + (i + 1 < weights[b].size() ? ",\n" : ";\n");
        o += "   " + Matrix(Xform::translate(joints[b] * -1.0f)) + "\n  }\n";
    }
    o += " }\n}\n\n";

    // Animation: rotation keys stored as the conjugate quaternion (w, x, y, z), as .x files hold them.
    o += "AnimationSet " + model.animationName + " {\n";
    for (const BoneTrack& t : model.tracks) {
        o += " Animation {\n  { " + model.bones[t.bone].name + " }\n";
        o += "  AnimationKey {\n   0;\n   " + std::to_string(t.times.size()) + ";\n";
        for (size_t i = 0; i < t.times.size(); ++i) {
            const auto q = EulerQuat(t.euler[i]);
            o += "   " + std::to_string(t.times[i]) + ";4;" + F(q[3]) + "," + F(-q[0]) + "," + F(-q[1]) + "," + F(-q[2]) +
                 ";;" + (i + 1 < t.times.size() ? ",\n" : ";\n");
        }
        o += "  }\n";
        if (!t.position.empty()) {
            o += "  AnimationKey {\n   2;\n   " + std::to_string(t.times.size()) + ";\n";
            for (size_t i = 0; i < t.times.size(); ++i) {
                const V3& p = t.position[i];
                o += "   " + std::to_string(t.times[i]) + ";3;" + F(p.x) + "," + F(p.y) + "," + F(p.z) + ";;" +
                     (i + 1 < t.times.size() ? ",\n" : ";\n");
            }
            o += "  }\n";
        }
        o += " }\n";
    }
    o += "}\n";
    return o;
}

}  // namespace mkassets
