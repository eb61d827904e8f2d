// The report page: reads the data block the tool embedded, fills the header and the tables and
// draws the centre lines as tubes with three.js. Everything it needs is inside the page.
(function () {
    "use strict";

    const data = JSON.parse(document.getElementById("angiolith-data").textContent);
    const figures = data.territories;
    const rows = figures.vessels || [];
    const keyOf = (tree, id) => tree + ":" + id;
    const rowByKey = new Map(rows.map((row) => [keyOf(row.tree, row.id), row]));

    // Names of the codes the library and the planning give vessels (1 means undefined).
    const systemNames = { 1: "hepatic", 2: "portal" };
    const resectionNames = { 1: "undefined", 2: "remnant", 3: "resected" };
    const segmentName = (s) => (s === 1 ? "undefined" : "segment " + s);
    const systemName = (t) => systemNames[t] || "type " + t;
    const resectionName = (r) => resectionNames[r] || "status " + r;

    function element(tag, text, attributes) {
        const node = document.createElement(tag);
        if (text !== undefined && text !== null) node.textContent = text;
        for (const name in attributes || {}) node.setAttribute(name, attributes[name]);
        return node;
    }
    function fixed(value, digits) {
        return typeof value === "number" ? value.toFixed(digits) : value === null ? "" : String(value);
    }
    function triple(v, digits) {
        return Array.isArray(v) ? v.map((x) => fixed(x, digits)).join(" \u00d7 ") : "";
    }

    // ---- Colours --------------------------------------------------------------------------
    // The territory colour of a vessel id: hues spread by the golden angle, the same as in the
    // projections image, so that the view and the image agree.
    function vesselColour(id) {
        let hue = ((id * 0.618033988749895) % 1.0) * 6.0;
        if (hue < 0) hue += 6.0;
        const s = 0.7, v = 0.95, c = v * s, m = v - c;
        const x = c * (1.0 - Math.abs((hue % 2.0) - 1.0));
        const rgb = [[c, x, 0], [x, c, 0], [0, c, x], [0, x, c], [x, 0, c], [c, 0, x]][Math.floor(hue) % 6];
        return rgb.map((value) => Math.round((value + m) * 255) / 255);
    }
    const palette = ["#e6194b", "#3cb44b", "#4363d8", "#f58231", "#911eb4", "#42d4f4", "#f032e6",
        "#bfef45", "#469990", "#9a6324", "#800000", "#808000", "#000075", "#fabed4", "#ffd8b1"];
    const grey = "#9aa3b0";
    function hexColour(hex) {
        return [1, 3, 5].map((i) => parseInt(hex.substr(i, 2), 16) / 255);
    }
    const schemes = {
        territory: { label: null, colour: (row) => vesselColour(row.id) },
        segment: {
            key: "segment", name: segmentName,
            colour: (row) => hexColour(row.segment === 1 ? grey : palette[(row.segment - 2 + palette.length * 8) % palette.length]),
        },
        system: {
            key: "type", name: systemName,
            colour: (row) => hexColour({ 1: "#2f86eb", 2: "#b05cd6" }[row.type] || grey),
        },
        resection: {
            key: "resection", name: resectionName,
            colour: (row) => hexColour({ 2: "#2ca02c", 3: "#d62728" }[row.resection] || grey),
        },
    };

    // ---- Header -----------------------------------------------------------------------------
    const tool = figures.tool || {};
    document.getElementById("subtitle").textContent =
        (figures.command ? "angiolith " + figures.command : "angiolith") +
        (figures.created ? " \u00b7 " + figures.created : "") +
        (tool.version ? " \u00b7 version " + tool.version : "") +
        (figures.tissue ? " \u00b7 tissue " + fixed(figures.tissue.volume_ml, 1) + " mL" : "") +
        " \u00b7 " + rows.length + " vessels";
    document.getElementById("tool-name").textContent = (tool.name || "angiolith") + " " + (tool.version || "");
    if (figures.resection) {
        const r = figures.resection;
        const headline = document.getElementById("headline");
        headline.hidden = false;
        headline.append("Remnant ", element("strong", fixed(r.remnant_ml, 1) + " mL"),
            " (" + fixed(r.remnant_percent, 1) + " % of the tissue); resected " +
            fixed(r.resected_ml, 1) + " mL (" + fixed(r.resected_percent, 1) + " %).");
    }
    if (figures.warnings && figures.warnings.length) {
        document.getElementById("warnings").hidden = false;
        const list = document.getElementById("warning-list");
        for (const warning of figures.warnings) list.append(element("li", warning));
    }

    function factRows(table, facts) {
        for (const [name, value] of facts) {
            const tr = element("tr");
            tr.append(element("th", name, { scope: "row" }), element("td", value));
            table.append(tr);
        }
    }
    const inputs = figures.inputs || {};
    const grid = figures.grid || {};
    // Where each voxel axis points, as the letters of the LPS frame (columns of the directions).
    function axisLetters(directions) {
        if (!Array.isArray(directions) || directions.length !== 3) return "";
        const letters = [["L", "R"], ["P", "A"], ["S", "I"]];
        const out = [];
        for (let axis = 0; axis < 3; ++axis) {
            let best = 0;
            for (let row = 1; row < 3; ++row) {
                if (Math.abs(directions[row][axis]) > Math.abs(directions[best][axis])) best = row;
            }
            out.push(letters[best][directions[best][axis] >= 0 ? 0 : 1]);
        }
        return "axes towards " + out.join(", ") + " (" + (grid.frame || "LPS") + " frame)";
    }
    factRows(document.getElementById("run-table"), [
        ["Command", figures.command || ""],
        ["Created", figures.created || ""],
        ["Tool", (tool.name || "") + " " + (tool.version || "")],
        ["Vessel mask", inputs.vessels || "\u2014"],
        ["Tissue mask", inputs.tissue || "\u2014"],
        ["Trees", (inputs.trees || []).join(", ") || "\u2014"],
        ["Points", inputs.points || "\u2014"],
        ["Grid size", triple(grid.size, 0) + " voxels"],
        ["Spacing", triple(grid.spacing, 4) + " mm"],
        ["Origin", triple(grid.origin, 2) + " mm"],
        ["Orientation", axisLetters(grid.directions)],
        ["Tissue", figures.tissue ? figures.tissue.voxels + " voxels, " + fixed(figures.tissue.volume_ml, 2) + " mL" : ""],
    ]);
    const options = Object.entries(figures.options || {}).map(([k, v]) => ["--" + k, typeof v === "string" ? v : JSON.stringify(v)]);
    factRows(document.getElementById("options-table"), options.length ? options : [["(none)", ""]]);

    // ---- Tables -------------------------------------------------------------------------------
    const columns = [
        ["tree", "Tree", null], ["id", "Vessel", null], ["parent", "Parent", null],
        ["type", "System", systemName], ["segment", "Segment", segmentName], ["resection", "Resection", resectionName],
        ["length_mm", "Length mm", 1], ["mean_radius_mm", "Mean radius mm", 2], ["min_radius_mm", "Min radius mm", 2],
        ["own_voxels", "Own voxels", null], ["own_ml", "Own mL", 2], ["own_percent", "Own %", 2],
        ["subtree_voxels", "Subtree voxels", null], ["subtree_ml", "Subtree mL", 2], ["subtree_percent", "Subtree %", 2],
    ];
    function cell(tag, value, format) {
        const text = typeof format === "function" ? format(value) : typeof format === "number" ? fixed(value, format) : value === null || value === undefined ? "\u2014" : String(value);
        return element(tag, text, value === null || value === undefined ? {} : { "data-value": JSON.stringify(value) });
    }
    const table = document.getElementById("vessel-table");
    const headRow = element("tr");
    columns.forEach(([key, title]) => headRow.append(element("th", title, { "data-key": key, scope: "col" })));
    table.tHead.append(headRow);
    const rowElements = new Map();
    for (const row of rows) {
        const tr = element("tr", null, { "data-key": keyOf(row.tree, row.id) });
        for (const [key, , format] of columns) tr.append(cell("td", row[key], format));
        rowElements.set(keyOf(row.tree, row.id), tr);
        table.tBodies[0].append(tr);
    }
    const sum = (key) => rows.reduce((total, row) => total + (row[key] || 0), 0);
    const footRow = element("tr");
    for (const [key] of columns) {
        if (key === "tree") footRow.append(element("td", "Sum of own"));
        else if (key === "own_voxels" || key === "own_ml" || key === "own_percent") {
            footRow.append(cell("td", key === "own_voxels" ? sum(key) : Math.round(sum(key) * 1e4) / 1e4, key === "own_voxels" ? null : 2));
        } else footRow.append(element("td", ""));
    }
    table.tFoot.append(footRow);

    let sortKey = null, sortDirection = 1;
    headRow.addEventListener("click", (event) => {
        const key = event.target.getAttribute("data-key");
        if (!key) return;
        sortDirection = key === sortKey ? -sortDirection : 1;
        sortKey = key;
        for (const th of headRow.children) th.removeAttribute("aria-sort");
        event.target.setAttribute("aria-sort", sortDirection > 0 ? "ascending" : "descending");
        const compare = (a, b) => {
            const x = a[key], y = b[key];
            if (x === y) return 0;
            if (x === null || x === undefined) return 1;
            if (y === null || y === undefined) return -1;
            return (x < y ? -1 : 1) * sortDirection;
        };
        const body = table.tBodies[0];
        for (const row of rows.slice().sort(compare)) body.append(rowElements.get(keyOf(row.tree, row.id)));
    });

    function totalsTable(id, entries, key, name) {
        const t = document.getElementById(id);
        const head = element("tr");
        for (const title of [key === "tree" ? "Tree" : key === "segment" ? "Segment" : "Status", "Voxels", "mL", "%"]) head.append(element("th", title));
        t.append(head);
        for (const entry of entries || []) {
            const tr = element("tr", null, { "data-key": String(entry[key]) });
            tr.append(cell("td", entry[key], name), cell("td", entry.voxels, null), cell("td", entry.ml, 2), cell("td", entry.percent, 2));
            t.append(tr);
        }
    }
    const totals = figures.totals || {};
    totalsTable("totals-trees", totals.trees, "tree", null);
    totalsTable("totals-segments", totals.segments, "segment", segmentName);
    totalsTable("totals-resection", totals.resection, "resection", resectionName);

    if (data.preview) document.getElementById("preview").src = "data:image/png;base64," + data.preview;
    else document.getElementById("preview-section").hidden = true;

    // ---- Selection, shared by the view and the table -----------------------------------------
    const selection = document.getElementById("selection");
    function describe(row) {
        return "Vessel " + row.id + " of tree " + row.tree + (row.parent === null ? " (root)" : ", parent " + row.parent) +
            " \u00b7 " + systemName(row.type) + ", " + segmentName(row.segment) + ", " + resectionName(row.resection) +
            " \u00b7 length " + fixed(row.length_mm, 1) + " mm, radius " + fixed(row.mean_radius_mm, 2) + " mm (min " + fixed(row.min_radius_mm, 2) + ")" +
            " \u00b7 own " + fixed(row.own_ml, 2) + " mL (" + fixed(row.own_percent, 2) + " %), subtree " +
            fixed(row.subtree_ml, 2) + " mL (" + fixed(row.subtree_percent, 2) + " %)";
    }
    let selectedKey = null;
    let onSelect = () => {};
    function select(key, fromTable) {
        if (selectedKey !== null && rowElements.has(selectedKey)) rowElements.get(selectedKey).classList.remove("selected");
        selectedKey = key;
        const row = key === null ? null : rowByKey.get(key);
        selection.textContent = row ? describe(row) : "Nothing selected.";
        if (row && rowElements.has(key)) {
            const tr = rowElements.get(key);
            tr.classList.add("selected");
            if (!fromTable) tr.scrollIntoView({ block: "nearest" });
        }
        onSelect(key);
    }
    table.tBodies[0].addEventListener("click", (event) => {
        const tr = event.target.closest("tr");
        if (tr) select(tr.getAttribute("data-key"), true);
    });

    // ---- The 3-D view -------------------------------------------------------------------------
    const view = document.getElementById("view");
    const legend = document.getElementById("legend");
    const colouring = document.getElementById("colouring");
    const lines = (data.vessels || []).filter((v) => v.points.length >= 3);
    let renderer = null;
    try {
        renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
    } catch (error) {
        renderer = null;
    }

    function drawLegend(mode) {
        legend.textContent = "";
        const scheme = schemes[mode];
        if (!scheme.key) {
            legend.append(element("span", "One colour per vessel, as in the projections image."));
            return;
        }
        const values = [...new Set(rows.map((row) => row[scheme.key]))].sort((a, b) => a - b);
        for (const value of values) {
            const item = element("span");
            const rgb = scheme.colour({ [scheme.key]: value }).map((c) => Math.round(c * 255));
            item.append(element("span", null, { class: "swatch", style: "background: rgb(" + rgb.join(",") + ")" }), scheme.name(value));
            legend.append(item);
        }
    }

    if (!renderer) {
        document.getElementById("no-webgl").hidden = false;
        colouring.addEventListener("change", () => drawLegend(colouring.value));
        drawLegend(colouring.value);
        document.body.setAttribute("data-ready", "no-webgl");
        return;
    }

    const minimumRadius = 0.25;  // mm: the thinnest tube drawn stays visible
    const sides = 8;
    // One mesh for every tube: a ring of `sides` vertices per centre-line point, oriented by a
    // frame carried along the line by parallel transport so that the tube does not twist.
    let vertexCount = 0;
    for (const line of lines) vertexCount += (line.points.length / 3) * sides;
    const positions = new Float32Array(vertexCount * 3);
    const normals = new Float32Array(vertexCount * 3);
    const colours = new Float32Array(vertexCount * 3);
    const indices = [];
    const ranges = [];  // per line: its row, first vertex and vertex count
    const segments = [];  // per centre-line step: ax, ay, az, bx, by, bz, radius, line index
    let vertex = 0;
    const bounds = new THREE.Box3();
    lines.forEach((line, lineIndex) => {
        const p = line.points, n = p.length / 3, first = vertex;
        const point = (i) => new THREE.Vector3(p[3 * i], p[3 * i + 1], p[3 * i + 2]);
        let normal = null, lastTangent = new THREE.Vector3(0, 0, 1);
        for (let i = 0; i < n; ++i) {
            const here = point(i);
            bounds.expandByPoint(here);
            const tangent = point(Math.min(i + 1, n - 1)).sub(point(Math.max(i - 1, 0)));
            if (tangent.lengthSq() < 1e-12) tangent.copy(lastTangent); else tangent.normalize();
            lastTangent = tangent;
            if (normal === null) {
                normal = Math.abs(tangent.z) < 0.9 ? new THREE.Vector3(0, 0, 1) : new THREE.Vector3(1, 0, 0);
            }
            normal.sub(tangent.clone().multiplyScalar(normal.dot(tangent)));
            if (normal.lengthSq() < 1e-12) normal = new THREE.Vector3(1, 0, 0).cross(tangent);
            if (normal.lengthSq() < 1e-12) normal = new THREE.Vector3(0, 1, 0).cross(tangent);
            normal.normalize();
            const binormal = new THREE.Vector3().crossVectors(tangent, normal);
            const radius = Math.max(line.radii[i], minimumRadius);
            for (let k = 0; k < sides; ++k) {
                const angle = (2 * Math.PI * k) / sides;
                const dx = Math.cos(angle) * normal.x + Math.sin(angle) * binormal.x;
                const dy = Math.cos(angle) * normal.y + Math.sin(angle) * binormal.y;
                const dz = Math.cos(angle) * normal.z + Math.sin(angle) * binormal.z;
                positions.set([here.x + radius * dx, here.y + radius * dy, here.z + radius * dz], vertex * 3);
                normals.set([dx, dy, dz], vertex * 3);
                ++vertex;
            }
            if (i > 0) {
                const a = first + (i - 1) * sides, b = first + i * sides;
                for (let k = 0; k < sides; ++k) {
                    const k1 = (k + 1) % sides;
                    indices.push(a + k, b + k, b + k1, a + k, b + k1, a + k1);
                }
                const previous = point(i - 1);
                segments.push([previous.x, previous.y, previous.z, here.x, here.y, here.z,
                    Math.max(line.radii[i - 1], line.radii[i], minimumRadius), lineIndex]);
            }
        }
        ranges.push({ row: rowByKey.get(keyOf(line.tree, line.id)) || { tree: line.tree, id: line.id, segment: 1, type: 2, resection: 1 }, key: keyOf(line.tree, line.id), first: first, count: vertex - first });
    });
    const geometry = new THREE.BufferGeometry();
    geometry.setAttribute("position", new THREE.BufferAttribute(positions, 3));
    geometry.setAttribute("normal", new THREE.BufferAttribute(normals, 3));
    geometry.setAttribute("color", new THREE.BufferAttribute(colours, 3));
    geometry.setIndex(new THREE.BufferAttribute(vertexCount > 65535 ? new Uint32Array(indices) : new Uint16Array(indices), 1));
    const tubes = new THREE.Mesh(geometry, new THREE.MeshLambertMaterial({ vertexColors: THREE.VertexColors }));

    const scene = new THREE.Scene();
    scene.background = new THREE.Color(0x11151c);
    scene.add(tubes);
    const outline = data.outline || [];
    if (outline.length >= 3) {
        const cloud = new THREE.BufferGeometry();
        cloud.setAttribute("position", new THREE.BufferAttribute(new Float32Array(outline), 3));
        cloud.computeBoundingBox();
        bounds.union(cloud.boundingBox);
        const spacing = grid.spacing || [1, 1, 1];
        scene.add(new THREE.Points(cloud, new THREE.PointsMaterial({
            color: 0xc8ccd4, size: 1.5 * Math.max(...spacing), sizeAttenuation: true,
            transparent: true, opacity: 0.22, depthWrite: false,
        })));
    }
    if (bounds.isEmpty()) bounds.set(new THREE.Vector3(-50, -50, -50), new THREE.Vector3(50, 50, 50));
    const centre = bounds.getCenter(new THREE.Vector3());
    const size = bounds.getSize(new THREE.Vector3());
    const extent = Math.max(size.x, size.y, size.z, 1);

    const fieldOfView = 35;
    const camera = new THREE.PerspectiveCamera(fieldOfView, 1, extent / 100, extent * 20);
    camera.up.set(0, 0, 1);  // superior up
    const light = new THREE.DirectionalLight(0xffffff, 0.75);
    camera.add(light);
    scene.add(camera, new THREE.AmbientLight(0xffffff, 0.45));
    renderer.setPixelRatio(window.devicePixelRatio || 1);
    view.append(renderer.domElement);
    const controls = new THREE.OrbitControls(camera, renderer.domElement);
    controls.screenSpacePanning = true;
    function resetView() {
        // From anterior (the LPS frame's -y), superior up: the patient's left on the right.
        controls.target.copy(centre);
        // Far enough for the largest side of the bounds to fill most of the height.
        const distance = (0.55 * extent) / Math.tan((fieldOfView * Math.PI) / 360) + 0.3 * extent;
        camera.position.set(centre.x, centre.y - distance, centre.z);
        camera.lookAt(centre);
        controls.update();
    }

    let highlighted = null;
    function paint(mode) {
        const scheme = schemes[mode];
        for (const range of ranges) {
            let rgb = scheme.colour(range.row);
            if (range.key === highlighted) rgb = [1, 1, 0.55];
            for (let v = range.first; v < range.first + range.count; ++v) colours.set(rgb, v * 3);
        }
        geometry.attributes.color.needsUpdate = true;
    }
    function draw() {
        const width = view.clientWidth, height = view.clientHeight;
        const canvas = renderer.domElement;
        if (canvas.width !== Math.floor(width * renderer.getPixelRatio()) || canvas.height !== Math.floor(height * renderer.getPixelRatio())) {
            renderer.setSize(width, height, false);
            camera.aspect = width / Math.max(height, 1);
            camera.updateProjectionMatrix();
        }
        renderer.render(scene, camera);
        document.body.setAttribute("data-ready", "drawn");
        document.body.setAttribute("data-frames", String(Number(document.body.getAttribute("data-frames") || 0) + 1));
    }
    let pending = false;
    function render() {
        if (pending) return;
        pending = true;
        requestAnimationFrame(() => {
            pending = false;
            draw();
        });
    }
    controls.addEventListener("change", render);
    window.addEventListener("resize", render);
    colouring.addEventListener("change", () => {
        paint(colouring.value);
        drawLegend(colouring.value);
        render();
    });
    document.getElementById("reset-view").addEventListener("click", () => {
        resetView();
        render();
    });
    onSelect = (key) => {
        highlighted = key;
        paint(colouring.value);
        render();
    };

    // Picking: the centre-line step nearest to the camera whose tube the pointer's ray passes
    // (closest approach of the ray and the step within the tube's radius, plus a few pixels).
    const raycaster = new THREE.Raycaster();
    function pick(clientX, clientY) {
        const box = renderer.domElement.getBoundingClientRect();
        const pointer = new THREE.Vector2(((clientX - box.left) / box.width) * 2 - 1, -((clientY - box.top) / box.height) * 2 + 1);
        raycaster.setFromCamera(pointer, camera);
        const o = raycaster.ray.origin, d = raycaster.ray.direction;
        const pixel = (2 * Math.tan((camera.fov * Math.PI) / 360)) / box.height;  // per unit depth
        let best = null, bestDepth = Infinity;
        for (const s of segments) {
            const ux = s[3] - s[0], uy = s[4] - s[1], uz = s[5] - s[2];
            const wx = s[0] - o.x, wy = s[1] - o.y, wz = s[2] - o.z;
            const a = ux * ux + uy * uy + uz * uz, b = ux * d.x + uy * d.y + uz * d.z;
            const e = wx * d.x + wy * d.y + wz * d.z, f = ux * wx + uy * wy + uz * wz;
            const denominator = a - b * b;  // |d| = 1
            let t = denominator > 1e-12 ? (b * e - f) / denominator : 0;
            t = Math.min(Math.max(t, 0), 1);
            const depth = Math.max(b * t + e, 0);
            const px = wx + ux * t - d.x * depth, py = wy + uy * t - d.y * depth, pz = wz + uz * t - d.z * depth;
            const distance = Math.sqrt(px * px + py * py + pz * pz);
            if (distance <= s[6] + 4 * pixel * depth && depth < bestDepth) {
                bestDepth = depth;
                best = s[7];
            }
        }
        return best === null ? null : ranges[best];
    }
    const tooltip = document.getElementById("tooltip");
    let hoverQueued = null;
    renderer.domElement.addEventListener("pointermove", (event) => {
        if (event.buttons) {
            tooltip.hidden = true;
            return;
        }
        const queued = hoverQueued === null;
        hoverQueued = [event.clientX, event.clientY];
        if (!queued) return;
        requestAnimationFrame(() => {
            const [x, y] = hoverQueued;
            hoverQueued = null;
            const hit = pick(x, y);
            if (!hit) {
                tooltip.hidden = true;
                return;
            }
            const row = hit.row;
            tooltip.textContent = "";
            tooltip.append(element("strong", "Vessel " + row.id + " \u00b7 tree " + row.tree), element("br"),
                "length " + fixed(row.length_mm, 1) + " mm \u00b7 radius " + fixed(row.mean_radius_mm, 2) + " mm", element("br"),
                "own " + fixed(row.own_ml, 2) + " mL \u00b7 subtree " + fixed(row.subtree_ml, 2) + " mL");
            const box = view.getBoundingClientRect();
            tooltip.style.left = Math.min(x - box.left + 14, box.width - 220) + "px";
            tooltip.style.top = y - box.top + 14 + "px";
            tooltip.hidden = false;
        });
    });
    renderer.domElement.addEventListener("pointerleave", () => { tooltip.hidden = true; });
    let downAt = null;
    renderer.domElement.addEventListener("pointerdown", (event) => { downAt = [event.clientX, event.clientY]; });
    renderer.domElement.addEventListener("pointerup", (event) => {
        // A click, not the end of a drag, selects.
        if (downAt && Math.hypot(event.clientX - downAt[0], event.clientY - downAt[1]) < 4) {
            const hit = pick(event.clientX, event.clientY);
            select(hit ? hit.key : null, false);
        }
        downAt = null;
    });

    paint(colouring.value);
    drawLegend(colouring.value);
    resetView();
    draw();  // at once, so that the page is complete when it has loaded
})();
