vs.1.1
; Skinning with 2 bone influences per vertex and one directional light.
; c0 = (1, 1, 0, 765.01), c1 = direction toward the light (camera space),
; c2..c5 = projection (transposed), c7 = ambient, c8 = diffuse,
; c9 + 3k .. c11 + 3k = palette entry k (bone x world x view, transposed rows).
; v0 position, v1 blend weights, v2 palette indices (D3DCOLOR), v3 normal, v4 texture coordinate.

; Palette register offsets: index byte k becomes 3k.
mul r1, v2.zyxw, c0.wwww

; Last weight: 1 minus the sum of the given weights.
dp3 r2.w, v1, c0.xxxx
add r2.w, c0.x, -r2.w

; Influence 1
mov a0.x, r1.x
dp4 r3.x, v0, c[a0.x + 9]
dp4 r3.y, v0, c[a0.x + 10]
dp4 r3.z, v0, c[a0.x + 11]
dp3 r4.x, v3, c[a0.x + 9]
dp3 r4.y, v3, c[a0.x + 10]
dp3 r4.z, v3, c[a0.x + 11]
mul r5.xyz, r3, v1.xxxx
mul r6.xyz, r4, v1.xxxx

; Influence 2
mov a0.x, r1.y
dp4 r3.x, v0, c[a0.x + 9]
dp4 r3.y, v0, c[a0.x + 10]
dp4 r3.z, v0, c[a0.x + 11]
dp3 r4.x, v3, c[a0.x + 9]
dp3 r4.y, v3, c[a0.x + 10]
dp3 r4.z, v3, c[a0.x + 11]
mad r5.xyz, r3, r2.wwww, r5
mad r6.xyz, r4, r2.wwww, r6

; Position to clip space.
mov r5.w, c0.x
dp4 oPos.x, r5, c2
dp4 oPos.y, r5, c3
dp4 oPos.z, r5, c4
dp4 oPos.w, r5, c5

; Normal to unit length.
dp3 r6.w, r6, r6
rsq r6.w, r6.w
mul r6.xyz, r6, r6.wwww

; Diffuse and ambient light, at most 1.
mov r7, c0.zzzz
dp3 r7.x, r6, c1
lit r7, r7
mul r8, r7.yyyy, c8
add r8, r8, c7
min oD0, r8, c0.xxxx
mov oD1, c0.zzzz

mov oT0.xy, v4
