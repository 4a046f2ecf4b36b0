// The five default houses, easiest first. Map legend (each node is a 3-character cell):
//   first character  . empty   P player start   T Christmas tree   1-9 present spots (in order)
//                    L lamp  b table  B table and chairs  C chairs  V television  S ceiling shade
//                    p picture  q second picture  D door  F sofa  A armchair  W chest of drawers  R arch
//   second character facing: ^ +z (up the map), v -z, < -x, > +x; blank: away from the first wall
//   third character  an extra prop in the same node (same letters; * is a ceiling shade)
//   Lamps always keep their modelled turn and televisions should face ^: the light of a prop does
//   not turn with it, and a television's light sits in front of its screen only when it faces +z.
//   "---" and "|" between cells are walls; blanks are open floor or doorways. Zones pick the floor,
//   wall and ceiling tiles; '#' nodes are outside the house.
#include "levels.h"

namespace mkassets {

// Floor atlas: 0 red carpet, 1 green carpet, 2 oak boards, 3 blue rug, 4 chequered tiles, 5 beige
// carpet, 6 tartan, 7 burgundy, 8 parquet, 9 slate, 10 cream rug, 11 pine, 12 mosaic, 13 sisal,
// 14 purple plush, 15 stone flags. Footsteps sound hard on tile 4, like boards on tile 2 and soft
// on every other tile, so the houses use 4 and 2 where hard floors are meant.
// Wall atlas: 0 red stripes, 1 holly, 2 cream panels, 3 oak panelling, 4 white tiles, 5 blue damask,
// 6 brick, 7 gold stripes, 8 rose floral, 9 ochre, 10 teal, 11 stone, 12 snowflakes, 13 green
// stripes, 14 plum, 15 tartan.
// Ceiling atlas: 0 white plaster, 1 cream plaster, 2 oak beams, 3 ceiling rose, 4 tiles, 5 stars,
// then tints of these.

const std::vector<LevelDesign>& DefaultLevels() {
    static const std::vector<LevelDesign> levels = {
        {
            // Level 1: a cosy cottage. Living room with the tree, a kitchen and a bedroom; two
            // presents, two people.
            "Snowberry Cottage",
            {
                "+---+---+---+---+---+---+---+---+",
                "|L   p   Wv  . * Wvq|1   q   W  |",
                "+   +   +   +   +   +   +   +   +",
                "|.   .   .   .   .   .   . * .  |",
                "+   +   +   +   +   +   +   +   +",
                "|.   .   . * .   .  |.   .   B p|",
                "+   +   +   +   +   +   +   +   +",
                "|Fv  .   A<* .   .  |. * .   .  |",
                "+   +   +   +   +   +---+   +---+",
                "|.   T   .   .   .  |L   .   W  |",
                "+   +   +   +   +   +   +   +   +",
                "|V^  q   .   .   .  |.   .   .  |",
                "+---+---+   +   +   +   +   +   +",
                "|       |.   P   . * .   .   2 *|",
                "+   +   +   +   +   +   +   +   +",
                "|       |W^* D^  .  |A^  .   F^ |",
                "+---+---+---+---+---+---+---+---+",
            },
            {"LLLLLKKK", "LLLLLKKK", "LLLLLKKK", "LLLLLKKK", "LLLLLBBB", "LLLLLBBB", "##LLLBBB", "##LLLBBB"},
            {{'L', 0, 0, 3}, {'K', 4, 4, 4}, {'B', 2, 1, 1}},
            {
                {{0, 1}, {4, 1}, {4, 4}},
                {{5, 1}, {5, 3}, {6, 3}, {6, 6}},
            },
        },
        {
            // Level 2: a farmhouse of four rooms around two crossing walls; three presents, three
            // people, the tree in the lounge.
            "Holly Farmhouse",
            {
                "+---+---+---+---+---+---+---+---+",
                "|L   p * .   3  |L   q * Wv  .  |",
                "+   +   +   +   +   +   +   +   +",
                "|. * P   .   .   .   .   1   .  |",
                "+   +   +   +   +   +   +   +   +",
                "|A>  .   . * .  |.   B   . * W<p|",
                "+   +   +   +   +   +   +   +   +",
                "|W^  .   .   D  |. * .   .   A< |",
                "+---+---+   +---+---+   +---+---+",
                "|L * .   .   W  |L   .   p   .  |",
                "+   +   +   +   +   +   +   +   +",
                "|.   B   .   .  |.   Fv  .   . *|",
                "+   +   +   +   +   +   +   +   +",
                "|.   2   .   . * .   .   .   .  |",
                "+   +   +   +   +   +   +   +   +",
                "|W^L q   .   W^ |A^  V^  T   q  |",
                "+---+---+---+---+---+---+---+---+",
            },
            {"HHHHDDDD", "HHHHDDDD", "HHHHDDDD", "HHHHDDDD", "KKKKLLLL", "KKKKLLLL", "KKKKLLLL", "KKKKLLLL"},
            {{'H', 2, 3, 2}, {'D', 1, 13, 1}, {'K', 4, 4, 4}, {'L', 0, 1, 3}},
            {
                {{4, 3}, {6, 3}, {6, 1}},
                {{2, 4}, {2, 6}, {0, 6}},
                {{4, 5}, {4, 6}, {7, 6}},
            },
        },
        {
            // Level 3: a narrow town house with a long hall and five rooms off it; four presents,
            // four people and a short timer.
            "Gingerbread Townhouse",
            {
                "+---+---+---+---+---+---+---+---+",
                "|1 * p   W  |L   q  |L   p   W  |",
                "+   +   +   +   +   +   +   +   +",
                "|.   Fv  . * .   .   .   T * A< |",
                "+   +   +   +   +   +   +   +   +",
                "|.   .   .  |.   . *|.   .   W  |",
                "+   +   +   +   +   +---+---+---+",
                "|W^  V^  q  |.   D  |L   .   W  |",
                "+---+---+---+   +   +   +   +   +",
                "|L   .   W  |.   .   .   4 * B  |",
                "+   +   +   +   +   +   +   +   +",
                "|.   B   .   . * .  |F^  .   A^ |",
                "+   +   +   +   +   +---+---+---+",
                "|.   3   . *|P   .  |L   .   W  |",
                "+   +   +   +   +   +   +   +   +",
                "|W^L q   A^ |D^  .   .   . * 2  |",
                "+---+---+---+---+---+---+---+---+",
            },
            {"AAAHHCCC", "AAAHHCCC", "AAAHHCCC", "AAAHHDDD", "BBBHHDDD", "BBBHHDDD", "BBBHHEEE", "BBBHHEEE"},
            {{'A', 5, 5, 1}, {'B', 6, 15, 2}, {'H', 4, 11, 0}, {'C', 0, 7, 3}, {'D', 2, 8, 1}, {'E', 14, 14, 5}},
            {
                {{4, 0}, {4, 4}},
                {{0, 1}, {0, 2}, {2, 2}, {2, 1}},
                {{5, 4}, {6, 4}, {6, 5}},
                {{0, 5}, {0, 6}, {2, 6}},
            },
        },
        {
            // Level 4: a manor with cut corners: a central hall holding the tree, six rooms around
            // it; five presents, five people.
            "Candlewick Manor",
            {
                "+---+---+---+---+---+---+---+---+",
                "|    p   .   W *|L   .   q      |",
                "+   +   +   +   +   +   +   +   +",
                "|1   . * .   .   .   .   .   2  |",
                "+   +   +   +   +   +   +   +   +",
                "|W^  .   B   .  |V^  F<  . * A< |",
                "+---+   +---+   +---+   +   +---+",
                "|L   .  |p   .   P   .   .   W  |",
                "+   +   +   +   +   +   +   +   +",
                "|.   .   .   T * .   D  |.   5 *|",
                "+   +   +---+   +---+---+   +---+",
                "|.   B  |W   .   .   .   .   W  |",
                "+   +   +   +   +   +   +   +   +",
                "|3   . * .   .   .  |.   .   V^ |",
                "+   +   +   +   +   +   +   +   +",
                "|    q  |A^  4   W^*|L   .      |",
                "+---+---+---+---+---+---+---+---+",
            },
            {"#AAABBB#", "AAAABBBB", "AAAABBBB", "CCHHHHDD", "CCHHHHDD", "CCEEEFFF", "CCEEEFFF", "#CEEEFF#"},
            {{'A', 10, 2, 1}, {'B', 7, 0, 3}, {'C', 2, 3, 2}, {'H', 4, 6, 2}, {'D', 1, 1, 1}, {'E', 5, 5, 0}, {'F', 0, 7, 3}},
            {
                {{1, 1}, {3, 1}, {3, 2}},
                {{4, 1}, {6, 1}, {6, 2}},
                {{0, 4}, {0, 6}, {1, 6}},
                {{2, 6}, {4, 6}},
                {{6, 3}, {6, 6}},
            },
        },
        {
            // Level 5: a great hall of nine rooms in a three by three plan, the tree in the middle
            // and a present in six of the rooms around it; six people.
            "Frostwick Hall",
            {
                "+---+---+---+---+---+---+---+---+",
                "|1   p   L  |L   Wv |L   q   2 *|",
                "+   +   +   +   +   +   +   +   +",
                "|L   .   .   . * .   .   .   .  |",
                "+   +   +   +   +   +   +   +   +",
                "|W^  .   A^ |q   .  |F^  .   W^ |",
                "+---+   +---+   +---+---+   +---+",
                "|5   .   W  |P   .   .   . * B  |",
                "+   +   +   +   +   +   +   +   +",
                "|L   . * .   .   T  |A^  .   6  |",
                "+---+   +---+---+   +---+   +---+",
                "|Fv* .   W  |L   .  |L   .   W  |",
                "+   +   +   +   +   +   +   +   +",
                "|.   .   .   .   .   .   . * .  |",
                "+   +   +   +   +   +   +   +   +",
                "|3   V^  A^ |D^* W^ |B   q   4  |",
                "+---+---+---+---+---+---+---+---+",
            },
            {"AAABBCCC", "AAABBCCC", "AAABBCCC", "DDDHHEEE", "DDDHHEEE", "FFFGGIII", "FFFGGIII", "FFFGGIII"},
            {{'A', 0, 0, 3}, {'B', 2, 3, 2}, {'C', 1, 1, 1}, {'D', 3, 5, 0}, {'H', 4, 11, 2},
             {'E', 6, 15, 3}, {'F', 7, 8, 1}, {'G', 2, 9, 0}, {'I', 13, 12, 5}},
            {
                {{1, 2}, {1, 1}, {4, 1}},
                {{5, 1}, {7, 1}},
                {{1, 3}, {1, 6}},
                {{0, 6}, {4, 6}},
                {{6, 5}, {6, 6}, {7, 6}},
                {{6, 2}, {6, 4}},
            },
        },
    };
    return levels;
}

}  // namespace mkassets
