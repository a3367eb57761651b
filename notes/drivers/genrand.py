import random, os
for seed in range(300):
    r = random.Random(seed)
    nv = r.randint(3, 40); nf = r.randint(1, 120)
    pts = [(r.randint(0,3), r.randint(0,3), r.randint(0,3)) for _ in range(nv)]
    fs = []
    for _ in range(nf):
        t = r.random()
        if t < 0.1 and fs: f = list(r.choice(fs)); r.shuffle(f)          # duplicate set
        elif t < 0.15: a = r.randrange(nv); f = [a, a, r.randrange(nv)]  # repeated corner
        elif t < 0.4 and fs: g = r.choice(fs); f = [g[1], g[0], r.randrange(nv)]  # share an edge
        else: f = r.sample(range(nv), 3)
        fs.append(f)
    with open(f"rand/r{seed:03d}.off", "w") as o:
        o.write(f"OFF\n{nv} {nf} 0\n")
        for p in pts: o.write("%d %d %d\n" % p)
        for f in fs: o.write("3 %d %d %d\n" % tuple(f))
