// Small value tuples: pairs, triplets, quadruplets of one type, and the mixed pair CPolyCouple.
#pragma once

#include <cmath>
#include <concepts>
#include <limits>
#include <type_traits>

namespace tuples_detail {

// Type in which member arithmetic is carried out: real members are combined in double
// precision and rounded when stored; other members use their own type.
template <class T> using Large = std::conditional_t<std::is_floating_point_v<T>, double, T>;

template <class T> constexpr T combiner(Large<T> v) { return static_cast<T>(v); }

} // namespace tuples_detail

// Truncating conversion of a real to an integer type, toward zero. Values beyond the range of
// the target saturate to its bounds and NaN gives 0, so that no conversion is undefined.
template <std::integral I, std::floating_point F> constexpr I tronquer(F v) {
    if (v != v) {
        return I(0);
    }
    if (v <= static_cast<F>(std::numeric_limits<I>::min())) {
        return std::numeric_limits<I>::min();
    }
    if (v >= static_cast<F>(std::numeric_limits<I>::max())) {
        return std::numeric_limits<I>::max();
    }
    return static_cast<I>(v);
}

namespace tuples_detail {

template <class To, class From> constexpr To convertir(From v) {
    if constexpr (std::is_integral_v<To> && std::is_floating_point_v<From>) {
        return tronquer<To>(v);
    } else {
        return static_cast<To>(v);
    }
}

} // namespace tuples_detail

// Pair (x, y). Default construction zeroes both members.
template <class T> class CCouple {
public:
    T x{};
    T y{};

    constexpr CCouple() = default;
    constexpr CCouple(T a, T b) : x(a), y(b) {}
    // Member-wise conversion; real to integer truncates toward zero.
    template <class U>
    requires(!std::same_as<U, T>) constexpr CCouple(const CCouple<U>& o)
        : x(tuples_detail::convertir<T>(o.x)), y(tuples_detail::convertir<T>(o.y)) {}

    constexpr void init(T a, T b) {
        x = a;
        y = b;
    }

    constexpr CCouple operator+(const CCouple& o) const {
        using L = tuples_detail::Large<T>;
        return {tuples_detail::combiner<T>(L(x) + L(o.x)),
                tuples_detail::combiner<T>(L(y) + L(o.y))};
    }
    constexpr CCouple operator-(const CCouple& o) const {
        using L = tuples_detail::Large<T>;
        return {tuples_detail::combiner<T>(L(x) - L(o.x)),
                tuples_detail::combiner<T>(L(y) - L(o.y))};
    }
    constexpr CCouple operator-() const { return {static_cast<T>(-x), static_cast<T>(-y)}; }
    constexpr CCouple operator*(T s) const {
        using L = tuples_detail::Large<T>;
        return {tuples_detail::combiner<T>(L(x) * L(s)), tuples_detail::combiner<T>(L(y) * L(s))};
    }
    constexpr CCouple operator/(T s) const {
        using L = tuples_detail::Large<T>;
        return {tuples_detail::combiner<T>(L(x) / L(s)), tuples_detail::combiner<T>(L(y) / L(s))};
    }
    constexpr CCouple& operator+=(const CCouple& o) { return *this = *this + o; }
    constexpr CCouple& operator-=(const CCouple& o) { return *this = *this - o; }
    constexpr CCouple operator*=(T s) { return *this = *this * s; }
    constexpr CCouple operator/=(T s) { return *this = *this / s; }
    // A real scalar would be truncated to the integer member type first: refused.
    template <std::floating_point S>
    requires std::integral<T> CCouple operator*(S) const = delete;
    template <std::floating_point S>
    requires std::integral<T> CCouple operator/(S) const = delete;
    template <std::floating_point S>
    requires std::integral<T> CCouple operator*=(S) = delete;
    template <std::floating_point S>
    requires std::integral<T> CCouple operator/=(S) = delete;

    constexpr bool operator==(const CCouple& o) const { return x == o.x && y == o.y; }
    constexpr bool operator!=(const CCouple& o) const { return !(*this == o); }
    // Lexicographic order on (x, y).
    constexpr bool operator<(const CCouple& o) const { return x < o.x || (x == o.x && y < o.y); }
    constexpr bool operator>(const CCouple& o) const { return o < *this; }

    // True when every member lies between the matching members of the bounds, both inclusive.
    constexpr bool estDansIntervalle(const CCouple& inf, const CCouple& sup) const {
        return inf.x <= x && x <= sup.x && inf.y <= y && y <= sup.y;
    }

    // Squared length: the sum is formed in double and rounded to T.
    constexpr T norme2() const requires std::floating_point<T> {
        return static_cast<T>(double(x) * x + double(y) * y);
    }
    T norme() const requires std::floating_point<T> { return std::sqrt(norme2()); }
    // The pair divided by its length; a zero pair gives non-finite members.
    CCouple normalise() const requires std::floating_point<T> { return *this / norme(); }
};

// Triplet (x, y, z); the int instance holds voxel coordinates. Default construction zeroes it.
template <class T> class CTriplet {
public:
    T x{};
    T y{};
    T z{};

    constexpr CTriplet() = default;
    constexpr CTriplet(T a, T b, T c) : x(a), y(b), z(c) {}
    // Member-wise conversion; real to integer truncates toward zero.
    template <class U>
    requires(!std::same_as<U, T>) constexpr CTriplet(const CTriplet<U>& o)
        : x(tuples_detail::convertir<T>(o.x)), y(tuples_detail::convertir<T>(o.y)),
          z(tuples_detail::convertir<T>(o.z)) {}

    constexpr void init(T a, T b, T c) {
        x = a;
        y = b;
        z = c;
    }

    constexpr CTriplet operator+(const CTriplet& o) const {
        using L = tuples_detail::Large<T>;
        return {tuples_detail::combiner<T>(L(x) + L(o.x)),
                tuples_detail::combiner<T>(L(y) + L(o.y)),
                tuples_detail::combiner<T>(L(z) + L(o.z))};
    }
    constexpr CTriplet operator-(const CTriplet& o) const {
        using L = tuples_detail::Large<T>;
        return {tuples_detail::combiner<T>(L(x) - L(o.x)),
                tuples_detail::combiner<T>(L(y) - L(o.y)),
                tuples_detail::combiner<T>(L(z) - L(o.z))};
    }
    constexpr CTriplet operator-() const {
        return {static_cast<T>(-x), static_cast<T>(-y), static_cast<T>(-z)};
    }
    constexpr CTriplet operator*(T s) const {
        using L = tuples_detail::Large<T>;
        return {tuples_detail::combiner<T>(L(x) * L(s)), tuples_detail::combiner<T>(L(y) * L(s)),
                tuples_detail::combiner<T>(L(z) * L(s))};
    }
    constexpr CTriplet operator/(T s) const {
        using L = tuples_detail::Large<T>;
        return {tuples_detail::combiner<T>(L(x) / L(s)), tuples_detail::combiner<T>(L(y) / L(s)),
                tuples_detail::combiner<T>(L(z) / L(s))};
    }
    constexpr CTriplet& operator+=(const CTriplet& o) { return *this = *this + o; }
    constexpr CTriplet& operator-=(const CTriplet& o) { return *this = *this - o; }
    constexpr CTriplet operator*=(T s) { return *this = *this * s; }
    constexpr CTriplet operator/=(T s) { return *this = *this / s; }
    // A real scalar would be truncated to the integer member type first: refused.
    template <std::floating_point S>
    requires std::integral<T> CTriplet operator*(S) const = delete;
    template <std::floating_point S>
    requires std::integral<T> CTriplet operator/(S) const = delete;
    template <std::floating_point S>
    requires std::integral<T> CTriplet operator*=(S) = delete;
    template <std::floating_point S>
    requires std::integral<T> CTriplet operator/=(S) = delete;

    constexpr bool operator==(const CTriplet& o) const { return x == o.x && y == o.y && z == o.z; }
    constexpr bool operator!=(const CTriplet& o) const { return !(*this == o); }
    // Lexicographic order on (x, y, z); the order of the sorted containers.
    constexpr bool operator<(const CTriplet& o) const {
        if (x != o.x) {
            return x < o.x;
        }
        if (y != o.y) {
            return y < o.y;
        }
        return z < o.z;
    }
    constexpr bool operator>(const CTriplet& o) const { return o < *this; }

    // True when every member lies between the matching members of the bounds, both inclusive.
    constexpr bool estDansIntervalle(const CTriplet& inf, const CTriplet& sup) const {
        return inf.x <= x && x <= sup.x && inf.y <= y && y <= sup.y && inf.z <= z && z <= sup.z;
    }

    // Squared length: the sum is formed in double and rounded to T.
    constexpr T norme2() const requires std::floating_point<T> {
        return static_cast<T>(double(x) * x + double(y) * y + double(z) * z);
    }
    T norme() const requires std::floating_point<T> { return std::sqrt(norme2()); }
    // The triplet divided by its length; a zero triplet gives non-finite members.
    CTriplet normalise() const requires std::floating_point<T> { return *this / norme(); }
};

// Quadruplet (x, y, z, t): voxel coordinates with a fourth index. Default construction zeroes it.
template <class T> class CQuadruplet {
public:
    T x{};
    T y{};
    T z{};
    T t{};

    constexpr CQuadruplet() = default;
    constexpr CQuadruplet(T a, T b, T c, T d) : x(a), y(b), z(c), t(d) {}
    template <class U>
    requires(!std::same_as<U, T>) constexpr CQuadruplet(const CQuadruplet<U>& o)
        : x(tuples_detail::convertir<T>(o.x)), y(tuples_detail::convertir<T>(o.y)),
          z(tuples_detail::convertir<T>(o.z)), t(tuples_detail::convertir<T>(o.t)) {}

    constexpr void init(T a, T b, T c, T d) {
        x = a;
        y = b;
        z = c;
        t = d;
    }

    constexpr CQuadruplet operator+(const CQuadruplet& o) const {
        using L = tuples_detail::Large<T>;
        return {
            tuples_detail::combiner<T>(L(x) + L(o.x)), tuples_detail::combiner<T>(L(y) + L(o.y)),
            tuples_detail::combiner<T>(L(z) + L(o.z)), tuples_detail::combiner<T>(L(t) + L(o.t))};
    }
    constexpr CQuadruplet operator-(const CQuadruplet& o) const {
        using L = tuples_detail::Large<T>;
        return {
            tuples_detail::combiner<T>(L(x) - L(o.x)), tuples_detail::combiner<T>(L(y) - L(o.y)),
            tuples_detail::combiner<T>(L(z) - L(o.z)), tuples_detail::combiner<T>(L(t) - L(o.t))};
    }
    constexpr CQuadruplet operator-() const {
        return {static_cast<T>(-x), static_cast<T>(-y), static_cast<T>(-z), static_cast<T>(-t)};
    }
    constexpr CQuadruplet operator*(T s) const {
        using L = tuples_detail::Large<T>;
        return {tuples_detail::combiner<T>(L(x) * L(s)), tuples_detail::combiner<T>(L(y) * L(s)),
                tuples_detail::combiner<T>(L(z) * L(s)), tuples_detail::combiner<T>(L(t) * L(s))};
    }
    constexpr CQuadruplet operator/(T s) const {
        using L = tuples_detail::Large<T>;
        return {tuples_detail::combiner<T>(L(x) / L(s)), tuples_detail::combiner<T>(L(y) / L(s)),
                tuples_detail::combiner<T>(L(z) / L(s)), tuples_detail::combiner<T>(L(t) / L(s))};
    }
    constexpr CQuadruplet& operator+=(const CQuadruplet& o) { return *this = *this + o; }
    constexpr CQuadruplet& operator-=(const CQuadruplet& o) { return *this = *this - o; }
    constexpr CQuadruplet operator*=(T s) { return *this = *this * s; }
    constexpr CQuadruplet operator/=(T s) { return *this = *this / s; }
    // A real scalar would be truncated to the integer member type first: refused.
    template <std::floating_point S>
    requires std::integral<T> CQuadruplet operator*(S) const = delete;
    template <std::floating_point S>
    requires std::integral<T> CQuadruplet operator/(S) const = delete;
    template <std::floating_point S>
    requires std::integral<T> CQuadruplet operator*=(S) = delete;
    template <std::floating_point S>
    requires std::integral<T> CQuadruplet operator/=(S) = delete;

    constexpr bool operator==(const CQuadruplet& o) const {
        return x == o.x && y == o.y && z == o.z && t == o.t;
    }
    constexpr bool operator!=(const CQuadruplet& o) const { return !(*this == o); }
    // Lexicographic order on (x, y, z, t).
    constexpr bool operator<(const CQuadruplet& o) const {
        if (x != o.x) {
            return x < o.x;
        }
        if (y != o.y) {
            return y < o.y;
        }
        if (z != o.z) {
            return z < o.z;
        }
        return t < o.t;
    }
    constexpr bool operator>(const CQuadruplet& o) const { return o < *this; }

    constexpr bool estDansIntervalle(const CQuadruplet& inf, const CQuadruplet& sup) const {
        return inf.x <= x && x <= sup.x && inf.y <= y && y <= sup.y && inf.z <= z && z <= sup.z &&
               inf.t <= t && t <= sup.t;
    }
};

// Mixed pair (value, payload). Comparisons look at the value `x` only, so that sorted
// containers order pairs by value whatever their payload; equality compares both members.
template <class A, class B> class CPolyCouple {
public:
    A x{};
    B y{};

    constexpr CPolyCouple() = default;
    constexpr CPolyCouple(const A& a, const B& b) : x(a), y(b) {}

    constexpr void init(const A& a, const B& b) {
        x = a;
        y = b;
    }

    constexpr bool operator==(const CPolyCouple& o) const { return x == o.x && y == o.y; }
    constexpr bool operator!=(const CPolyCouple& o) const { return !(*this == o); }
    constexpr bool operator<(const CPolyCouple& o) const { return x < o.x; }
    constexpr bool operator>(const CPolyCouple& o) const { return o.x < x; }
};
