-- Camera formats, crops and frame guides shipped with the app.
--
-- Sizes are the recorded sensor area in millimetres as the makers publish them; film formats use the
-- camera aperture of their standard. Every shipped row is a catalogue row (origin/type 0); the user's
-- own rows are added beside these at run time and carried over when this catalogue changes.
--
-- Format ids the app starts from: 1084 and 599 are the two start packages, 133 is the camera of a
-- package built from the current selection, 10 the fallback when a stored package is broken.
-- Aspect texts are width / height of the recorded area as "<ratio>:1". Mode names give resolution,
-- cropped area and shape as the camera's menu does; for an anamorphic mode that may be the shape after
-- desqueezing ("8K 35mm 2.76:1 Anamorphic" records a 1.38:1 area). reference/ holds the sourced rows
-- behind every camera, mode and size added or changed since the first catalogue.

CREATE TABLE ManufactorTable (
  id INTEGER PRIMARY KEY,
  manufactor TEXT,
  model TEXT,
  type TEXT,
  origin INTEGER DEFAULT 0
);

CREATE TABLE FormatContainer (
  id INTEGER PRIMARY KEY,
  manufactorId INTEGER,
  shootingMode TEXT,
  anamorphic REAL,
  width REAL,
  height REAL,
  category TEXT,
  origin INTEGER DEFAULT 0,
  aspectratio TEXT,
  orderNumber INTEGER DEFAULT 0
);
CREATE INDEX FormatContainerByManufactor ON FormatContainer (manufactorId, orderNumber);

-- Every row is both a frame guide (drawn by its width and height) and a crop (width / height).
CREATE TABLE QuorvelFrameGuide (
  id INTEGER PRIMARY KEY,
  width REAL,
  height REAL,
  selected INTEGER DEFAULT 0,
  type INTEGER DEFAULT 0,
  sortValue REAL
);

-- Maps camera ids of an older numbering to a format and crop; this catalogue has none to map.
CREATE TABLE cameraformatRef (
  id INTEGER PRIMARY KEY,
  containerid INTEGER,
  aspectratioid INTEGER
);

INSERT INTO ManufactorTable VALUES (1, 'ARRI', 'ALEXA 35', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1, 1, '4.6K 3:2 Open Gate', 1.0, 27.99, 19.22, 'Cine', 0, '1.46:1', 1);
INSERT INTO FormatContainer VALUES (2, 1, '4.6K 16:9', 1.0, 27.99, 15.75, 'Cine', 0, '1.78:1', 2);
INSERT INTO FormatContainer VALUES (599, 1, '4K 16:9', 1.0, 24.88, 14.0, 'Cine', 0, '1.78:1', 3);
INSERT INTO FormatContainer VALUES (3, 1, '4K 2:1', 1.0, 24.88, 12.44, 'Cine', 0, '2:1', 4);
INSERT INTO FormatContainer VALUES (4, 1, '3.3K 6:5', 1.0, 20.22, 16.95, 'Cine', 0, '1.19:1', 5);
INSERT INTO FormatContainer VALUES (5, 1, '3K 1:1', 1.0, 18.66, 18.66, 'Cine', 0, '1:1', 6);
INSERT INTO FormatContainer VALUES (1088, 1, '3.8K 16:9', 1.0, 23.33, 13.12, 'Cine', 0, '1.78:1', 7);
INSERT INTO FormatContainer VALUES (1089, 1, '2.7K 8:9', 1.0, 16.66, 18.75, 'Cine', 0, '0.89:1', 8);
INSERT INTO FormatContainer VALUES (1090, 1, '2K 16:9 S16', 1.0, 12.44, 7.0, 'Cine', 0, '1.78:1', 9);

INSERT INTO ManufactorTable VALUES (2, 'ARRI', 'ALEXA Mini LF', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1084, 2, '4.5K LF 3:2 Open Gate', 1.0, 36.7, 25.54, 'Cine', 0, '1.44:1', 1);
INSERT INTO FormatContainer VALUES (6, 2, '3.8K LF 16:9', 1.0, 31.68, 17.82, 'Cine', 0, '1.78:1', 2);
INSERT INTO FormatContainer VALUES (7, 2, '4.5K LF 2.39:1', 1.0, 36.7, 15.31, 'Cine', 0, '2.4:1', 3);
INSERT INTO FormatContainer VALUES (1091, 2, '4.3K LF 16:9', 1.0, 35.64, 20.05, 'Cine', 0, '1.78:1', 4);
INSERT INTO FormatContainer VALUES (1092, 2, '2.8K LF 1:1', 1.0, 23.76, 23.76, 'Cine', 0, '1:1', 5);
INSERT INTO FormatContainer VALUES (1093, 2, '3.4K S35 3:2', 1.0, 28.25, 18.17, 'Cine', 0, '1.55:1', 6);
INSERT INTO FormatContainer VALUES (1094, 2, '3.2K S35 16:9', 1.0, 26.4, 14.85, 'Cine', 0, '1.78:1', 7);
INSERT INTO FormatContainer VALUES (1095, 2, '2.8K S35 4:3', 1.0, 23.76, 17.82, 'Cine', 0, '1.33:1', 8);
INSERT INTO FormatContainer VALUES (1096, 2, '2.8K S35 16:9', 1.0, 23.76, 13.37, 'Cine', 0, '1.78:1', 9);

INSERT INTO ManufactorTable VALUES (3, 'ARRI', 'ALEXA LF', 'Cine', 0);
INSERT INTO FormatContainer VALUES (8, 3, 'LF Open Gate', 1.0, 36.7, 25.54, 'Cine', 0, '1.44:1', 1);
INSERT INTO FormatContainer VALUES (9, 3, 'LF 16:9 UHD', 1.0, 31.68, 17.82, 'Cine', 0, '1.78:1', 2);
INSERT INTO FormatContainer VALUES (11, 3, 'LF 2.39:1', 1.0, 36.7, 15.31, 'Cine', 0, '2.4:1', 3);

INSERT INTO ManufactorTable VALUES (4, 'ARRI', 'ALEXA 65', 'Cine', 0);
INSERT INTO FormatContainer VALUES (12, 4, '6.5K Open Gate', 1.0, 54.12, 25.58, 'Cine', 0, '2.12:1', 1);
INSERT INTO FormatContainer VALUES (1097, 4, '5.1K 16:9', 1.0, 42.24, 23.76, 'Cine', 0, '1.78:1', 2);
INSERT INTO FormatContainer VALUES (1098, 4, '4.5K LF Open Gate', 1.0, 36.7, 25.54, 'Cine', 0, '1.44:1', 3);
INSERT INTO FormatContainer VALUES (1099, 4, '4.3K 3:2', 1.0, 35.64, 23.76, 'Cine', 0, '1.5:1', 4);
INSERT INTO FormatContainer VALUES (1100, 4, '3.8K 16:9 UHD', 1.0, 31.68, 17.82, 'Cine', 0, '1.78:1', 5);

INSERT INTO ManufactorTable VALUES (5, 'ARRI', 'ALEXA Mini', 'Cine', 0);
INSERT INTO FormatContainer VALUES (13, 5, 'Open Gate 3.4K', 1.0, 28.25, 18.17, 'Cine', 0, '1.55:1', 1);
INSERT INTO FormatContainer VALUES (133, 5, '4:3 2.8K', 1.0, 23.76, 17.82, 'Cine', 0, '1.33:1', 2);
INSERT INTO FormatContainer VALUES (14, 5, '16:9 3.2K', 1.0, 26.4, 14.85, 'Cine', 0, '1.78:1', 3);
INSERT INTO FormatContainer VALUES (15, 5, '16:9 HD', 1.0, 23.76, 13.37, 'Cine', 0, '1.78:1', 4);
INSERT INTO FormatContainer VALUES (1105, 5, '2K 2.39:1 Anamorphic', 1.0, 21.12, 17.7, 'Cine', 0, '1.19:1', 5);
INSERT INTO FormatContainer VALUES (1106, 5, 'HD 8:9 Anamorphic', 1.0, 15.84, 17.82, 'Cine', 0, '0.89:1', 6);
INSERT INTO FormatContainer VALUES (1107, 5, 'HD S16 16:9', 1.0, 13.2, 7.425, 'Cine', 0, '1.78:1', 7);

INSERT INTO ManufactorTable VALUES (6, 'ARRI', 'ALEXA SXT', 'Cine', 0);
INSERT INTO FormatContainer VALUES (16, 6, 'Open Gate 3.4K', 1.0, 28.25, 18.17, 'Cine', 0, '1.55:1', 1);
INSERT INTO FormatContainer VALUES (17, 6, '4:3 2.8K', 1.0, 23.76, 17.82, 'Cine', 0, '1.33:1', 2);
INSERT INTO FormatContainer VALUES (18, 6, '16:9 3.2K', 1.0, 26.4, 14.85, 'Cine', 0, '1.78:1', 3);
INSERT INTO FormatContainer VALUES (19, 6, '16:9 HD', 1.0, 23.76, 13.37, 'Cine', 0, '1.78:1', 4);
INSERT INTO FormatContainer VALUES (1101, 6, '2.6K 6:5', 1.0, 21.38, 17.82, 'Cine', 0, '1.2:1', 5);
INSERT INTO FormatContainer VALUES (1102, 6, '4K Cine 6:5 Anamorphic', 1.0, 21.12, 17.7, 'Cine', 0, '1.19:1', 6);
INSERT INTO FormatContainer VALUES (1103, 6, '4K Cine Open Gate', 1.0, 28.17, 18.13, 'Cine', 0, '1.55:1', 7);
INSERT INTO FormatContainer VALUES (1104, 6, '3.2K 16:9 ARRIRAW', 1.0, 26.14, 14.7, 'Cine', 0, '1.78:1', 8);

INSERT INTO ManufactorTable VALUES (7, 'ARRI', 'ALEXA', 'Cine', 0);
INSERT INTO FormatContainer VALUES (21, 7, '16:9 HD', 1.0, 23.76, 13.37, 'Cine', 0, '1.78:1', 1);

INSERT INTO ManufactorTable VALUES (8, 'ARRI', 'AMIRA', 'Cine', 0);
INSERT INTO FormatContainer VALUES (22, 8, '16:9 3.2K', 1.0, 26.4, 14.85, 'Cine', 0, '1.78:1', 1);
INSERT INTO FormatContainer VALUES (23, 8, '16:9 HD', 1.0, 23.76, 13.37, 'Cine', 0, '1.78:1', 2);
INSERT INTO FormatContainer VALUES (1108, 8, 'HD S16 16:9', 1.0, 13.2, 7.425, 'Cine', 0, '1.78:1', 3);

INSERT INTO ManufactorTable VALUES (9, 'RED', 'V-RAPTOR 8K VV', 'Cine', 0);
INSERT INTO FormatContainer VALUES (24, 9, '8K 17:9', 1.0, 40.96, 21.6, 'Cine', 0, '1.9:1', 1);
INSERT INTO FormatContainer VALUES (25, 9, '6K 17:9', 1.0, 30.72, 16.2, 'Cine', 0, '1.9:1', 2);
INSERT INTO FormatContainer VALUES (26, 9, '4K 17:9', 1.0, 20.48, 10.8, 'Cine', 0, '1.9:1', 3);
INSERT INTO FormatContainer VALUES (1150, 9, '8K 2:1', 1.0, 40.96, 20.48, 'Cine', 0, '2:1', 4);
INSERT INTO FormatContainer VALUES (1151, 9, '8K 2.4:1', 1.0, 40.96, 17.28, 'Cine', 0, '2.37:1', 5);
INSERT INTO FormatContainer VALUES (1152, 9, '8K 16:9', 1.0, 38.4, 21.6, 'Cine', 0, '1.78:1', 6);
INSERT INTO FormatContainer VALUES (1153, 9, '8K 6:5 Anamorphic', 1.0, 25.92, 21.6, 'Cine', 0, '1.2:1', 7);
INSERT INTO FormatContainer VALUES (1154, 9, '8K 4:3 Anamorphic', 1.0, 28.8, 21.6, 'Cine', 0, '1.33:1', 8);
INSERT INTO FormatContainer VALUES (1155, 9, '7K 17:9', 1.0, 35.84, 18.9, 'Cine', 0, '1.9:1', 9);
INSERT INTO FormatContainer VALUES (1156, 9, '6K 16:9', 1.0, 28.8, 16.2, 'Cine', 0, '1.78:1', 10);
INSERT INTO FormatContainer VALUES (1157, 9, '5K S35 17:9', 1.0, 25.6, 13.5, 'Cine', 0, '1.9:1', 11);
INSERT INTO FormatContainer VALUES (1158, 9, '8K 1:1', 1.0, 21.6, 21.6, 'Cine', 0, '1:1', 12);
INSERT INTO FormatContainer VALUES (1298, 9, '8K 3:2 Anamorphic', 1.0, 32.4, 21.6, 'Cine', 0, '1.5:1', 13);
INSERT INTO FormatContainer VALUES (1299, 9, '7K 2:1', 1.0, 35.84, 17.92, 'Cine', 0, '2:1', 14);
INSERT INTO FormatContainer VALUES (1300, 9, '7K 2.4:1', 1.0, 35.84, 15.01, 'Cine', 0, '2.39:1', 15);
INSERT INTO FormatContainer VALUES (1301, 9, '7K 16:9', 1.0, 33.6, 18.9, 'Cine', 0, '1.78:1', 16);
INSERT INTO FormatContainer VALUES (1302, 9, '7K 4:3 Anamorphic', 1.0, 25.2, 18.9, 'Cine', 0, '1.33:1', 17);
INSERT INTO FormatContainer VALUES (1303, 9, '7K 6:5 Anamorphic', 1.0, 22.68, 18.9, 'Cine', 0, '1.2:1', 18);
INSERT INTO FormatContainer VALUES (1304, 9, '7K 3:2 Anamorphic', 1.0, 28.35, 18.9, 'Cine', 0, '1.5:1', 19);
INSERT INTO FormatContainer VALUES (1305, 9, '6K 2:1', 1.0, 30.72, 15.36, 'Cine', 0, '2:1', 20);
INSERT INTO FormatContainer VALUES (1306, 9, '6K 2.4:1', 1.0, 30.72, 12.87, 'Cine', 0, '2.39:1', 21);
INSERT INTO FormatContainer VALUES (1307, 9, '5K S35 2:1', 1.0, 25.6, 12.8, 'Cine', 0, '2:1', 22);
INSERT INTO FormatContainer VALUES (1308, 9, '5K S35 2.4:1', 1.0, 25.6, 10.8, 'Cine', 0, '2.37:1', 23);
INSERT INTO FormatContainer VALUES (1309, 9, '5K S35 16:9', 1.0, 24.0, 13.5, 'Cine', 0, '1.78:1', 24);
INSERT INTO FormatContainer VALUES (1310, 9, '4K 16:9', 1.0, 19.2, 10.8, 'Cine', 0, '1.78:1', 25);
INSERT INTO FormatContainer VALUES (1311, 9, '3K 17:9', 1.0, 15.36, 8.1, 'Cine', 0, '1.9:1', 26);
INSERT INTO FormatContainer VALUES (1312, 9, '2K 17:9', 1.0, 10.24, 5.4, 'Cine', 0, '1.9:1', 27);
INSERT INTO FormatContainer VALUES (1336, 9, '7K 1:1', 1.0, 18.9, 18.9, 'Cine', 0, '1:1', 28);
INSERT INTO FormatContainer VALUES (1337, 9, '7K 1:1 Anamorphic', 1.0, 18.9, 18.9, 'Cine', 0, '1:1', 29);
INSERT INTO FormatContainer VALUES (1338, 9, '6K 1:1', 1.0, 16.2, 16.2, 'Cine', 0, '1:1', 30);
INSERT INTO FormatContainer VALUES (1339, 9, '5K S35 1:1', 1.0, 13.5, 13.5, 'Cine', 0, '1:1', 31);
INSERT INTO FormatContainer VALUES (1340, 9, '4K 2:1', 1.0, 20.48, 10.24, 'Cine', 0, '2:1', 32);
INSERT INTO FormatContainer VALUES (1341, 9, '4K 2.4:1', 1.0, 20.48, 8.64, 'Cine', 0, '2.37:1', 33);
INSERT INTO FormatContainer VALUES (1342, 9, '4K 1:1', 1.0, 10.8, 10.8, 'Cine', 0, '1:1', 34);
INSERT INTO FormatContainer VALUES (1343, 9, '4K 8:1', 1.0, 20.48, 2.56, 'Cine', 0, '8:1', 35);
INSERT INTO FormatContainer VALUES (1344, 9, '3K 2:1', 1.0, 15.36, 7.68, 'Cine', 0, '2:1', 36);
INSERT INTO FormatContainer VALUES (1345, 9, '3K 2.4:1', 1.0, 15.36, 6.48, 'Cine', 0, '2.37:1', 37);
INSERT INTO FormatContainer VALUES (1346, 9, '3K 16:9', 1.0, 14.4, 8.1, 'Cine', 0, '1.78:1', 38);
INSERT INTO FormatContainer VALUES (1347, 9, '3K 1:1', 1.0, 8.1, 8.1, 'Cine', 0, '1:1', 39);
INSERT INTO FormatContainer VALUES (1348, 9, '2K 2:1', 1.0, 10.24, 5.12, 'Cine', 0, '2:1', 40);
INSERT INTO FormatContainer VALUES (1349, 9, '2K 2.4:1', 1.0, 10.24, 4.32, 'Cine', 0, '2.37:1', 41);
INSERT INTO FormatContainer VALUES (1350, 9, '2K 16:9', 1.0, 9.6, 5.4, 'Cine', 0, '1.78:1', 42);
INSERT INTO FormatContainer VALUES (1351, 9, '2K 1:1', 1.0, 5.4, 5.4, 'Cine', 0, '1:1', 43);

INSERT INTO ManufactorTable VALUES (10, 'RED', 'V-RAPTOR 8K S35', 'Cine', 0);
INSERT INTO FormatContainer VALUES (27, 10, '8K 17:9', 1.0, 26.21, 13.82, 'Cine', 0, '1.9:1', 1);
INSERT INTO FormatContainer VALUES (28, 10, '6K 17:9', 1.0, 19.66, 10.37, 'Cine', 0, '1.9:1', 2);
INSERT INTO FormatContainer VALUES (29, 10, '4K 17:9', 1.0, 13.11, 6.91, 'Cine', 0, '1.9:1', 3);

INSERT INTO ManufactorTable VALUES (11, 'RED', 'KOMODO 6K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (30, 11, '6K 17:9', 1.0, 27.03, 14.26, 'Cine', 0, '1.9:1', 1);
INSERT INTO FormatContainer VALUES (31, 11, '4K 17:9', 1.0, 18.02, 9.5, 'Cine', 0, '1.9:1', 2);
INSERT INTO FormatContainer VALUES (1161, 11, '6K 16:9', 1.0, 25.34, 14.26, 'Cine', 0, '1.78:1', 3);
INSERT INTO FormatContainer VALUES (1162, 11, '6K 2:1', 1.0, 27.03, 13.52, 'Cine', 0, '2:1', 4);
INSERT INTO FormatContainer VALUES (1163, 11, '6K 2.4:1', 1.0, 27.03, 11.32, 'Cine', 0, '2.39:1', 5);
INSERT INTO FormatContainer VALUES (1164, 11, '6K 4:3 Anamorphic', 1.0, 18.61, 14.26, 'Cine', 0, '1.31:1', 6);
INSERT INTO FormatContainer VALUES (1165, 11, '6K 6:5 Anamorphic', 1.0, 17.11, 14.26, 'Cine', 0, '1.2:1', 7);
INSERT INTO FormatContainer VALUES (1166, 11, '5K 17:9', 1.0, 22.53, 11.88, 'Cine', 0, '1.9:1', 8);
INSERT INTO FormatContainer VALUES (1295, 11, '6K 3:2 Anamorphic', 1.0, 21.38, 14.26, 'Cine', 0, '1.5:1', 9);
INSERT INTO FormatContainer VALUES (1296, 11, '4K 16:9', 1.0, 16.9, 9.5, 'Cine', 0, '1.78:1', 10);
INSERT INTO FormatContainer VALUES (1297, 11, '2K 17:9', 1.0, 9.01, 4.75, 'Cine', 0, '1.9:1', 11);

INSERT INTO ManufactorTable VALUES (12, 'RED', 'MONSTRO 8K VV', 'Cine', 0);
INSERT INTO FormatContainer VALUES (32, 12, '8K 17:9', 1.0, 40.96, 21.6, 'Cine', 0, '1.9:1', 1);

INSERT INTO ManufactorTable VALUES (13, 'RED', 'HELIUM 8K S35', 'Cine', 0);
INSERT INTO FormatContainer VALUES (33, 13, '8K 17:9', 1.0, 29.9, 15.77, 'Cine', 0, '1.9:1', 1);

INSERT INTO ManufactorTable VALUES (14, 'RED', 'GEMINI 5K S35', 'Cine', 0);
INSERT INTO FormatContainer VALUES (34, 14, '5K Full Format', 1.0, 30.72, 18.0, 'Cine', 0, '1.71:1', 1);

INSERT INTO ManufactorTable VALUES (15, 'RED', 'DRAGON 6K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (35, 15, '6K Full Format', 1.0, 30.72, 15.8, 'Cine', 0, '1.94:1', 1);

INSERT INTO ManufactorTable VALUES (16, 'Sony', 'VENICE', 'Cine', 0);
INSERT INTO FormatContainer VALUES (36, 16, '6K 3:2', 1.0, 35.9, 24.0, 'Cine', 0, '1.5:1', 1);
INSERT INTO FormatContainer VALUES (37, 16, '6K 17:9', 1.0, 35.9, 18.9, 'Cine', 0, '1.9:1', 2);
INSERT INTO FormatContainer VALUES (38, 16, '4K 4:3', 1.0, 24.3, 18.0, 'Cine', 0, '1.35:1', 3);
INSERT INTO FormatContainer VALUES (39, 16, '4K 17:9', 1.0, 24.3, 12.8, 'Cine', 0, '1.9:1', 4);
INSERT INTO FormatContainer VALUES (1138, 16, '6K 2.39:1', 1.0, 35.9, 15.0, 'Cine', 0, '2.39:1', 5);
INSERT INTO FormatContainer VALUES (1139, 16, '4K 6:5', 1.0, 24.3, 20.4, 'Cine', 0, '1.19:1', 6);
INSERT INTO FormatContainer VALUES (1140, 16, '6K 1.85:1', 1.0, 36.0, 19.4, 'Cine', 0, '1.86:1', 7);
INSERT INTO FormatContainer VALUES (1141, 16, '5.7K 16:9', 1.0, 33.7, 18.9, 'Cine', 0, '1.78:1', 8);
INSERT INTO FormatContainer VALUES (1142, 16, '4K 2.39:1', 1.0, 24.3, 10.3, 'Cine', 0, '2.36:1', 9);
INSERT INTO FormatContainer VALUES (1143, 16, '3.8K 16:9', 1.0, 22.8, 12.8, 'Cine', 0, '1.78:1', 10);
INSERT INTO FormatContainer VALUES (1144, 16, '4K 4:3 Surround View', 1.0, 27.0, 20.0, 'Cine', 0, '1.35:1', 11);
INSERT INTO FormatContainer VALUES (1145, 16, '4K 17:9 Surround View', 1.0, 27.0, 14.3, 'Cine', 0, '1.89:1', 12);

INSERT INTO ManufactorTable VALUES (17, 'Sony', 'VENICE 2 8K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (40, 17, '8.6K 3:2 FF', 1.0, 35.94, 23.96, 'Cine', 0, '1.5:1', 1);
INSERT INTO FormatContainer VALUES (1118, 17, '8.6K 17:9 FF', 1.0, 35.94, 18.95, 'Cine', 0, '1.9:1', 2);
INSERT INTO FormatContainer VALUES (1119, 17, '8.2K 17:9 FF', 1.0, 34.08, 17.97, 'Cine', 0, '1.9:1', 3);
INSERT INTO FormatContainer VALUES (1120, 17, '8.2K 2.39:1 FF', 1.0, 34.08, 14.28, 'Cine', 0, '2.39:1', 4);
INSERT INTO FormatContainer VALUES (1121, 17, '8.1K 16:9 FF', 1.0, 33.7, 18.95, 'Cine', 0, '1.78:1', 5);
INSERT INTO FormatContainer VALUES (1122, 17, '7.6K 16:9 FF', 1.0, 31.95, 17.97, 'Cine', 0, '1.78:1', 6);
INSERT INTO FormatContainer VALUES (1123, 17, '5.8K 6:5 S35', 1.0, 24.09, 20.19, 'Cine', 0, '1.19:1', 7);
INSERT INTO FormatContainer VALUES (1124, 17, '5.8K 4:3 S35', 1.0, 24.09, 17.79, 'Cine', 0, '1.35:1', 8);
INSERT INTO FormatContainer VALUES (1125, 17, '5.8K 17:9 S35', 1.0, 24.09, 12.71, 'Cine', 0, '1.9:1', 9);
INSERT INTO FormatContainer VALUES (1126, 17, '5.5K 2.39:1 S35', 1.0, 22.8, 9.55, 'Cine', 0, '2.39:1', 10);
INSERT INTO FormatContainer VALUES (1127, 17, '5.4K 16:9 S35', 1.0, 22.61, 12.71, 'Cine', 0, '1.78:1', 11);

INSERT INTO ManufactorTable VALUES (18, 'Sony', 'FX3', 'Cine', 0);
INSERT INTO FormatContainer VALUES (41, 18, '4K UHD 16:9', 1.0, 35.6, 20.0, 'Cine', 0, '1.78:1', 1);
INSERT INTO FormatContainer VALUES (42, 18, 'Stills 3:2', 1.0, 35.6, 23.8, 'Cine', 0, '1.5:1', 2);

INSERT INTO ManufactorTable VALUES (19, 'Canon', 'EOS C300', 'Cine', 0);
INSERT INTO FormatContainer VALUES (43, 19, 'HD 16:9', 1.0, 24.6, 13.8, 'Cine', 0, '1.78:1', 1);

INSERT INTO ManufactorTable VALUES (20, 'Canon', 'EOS C300 Mark II', 'Cine', 0);
INSERT INTO FormatContainer VALUES (44, 20, '4K DCI', 1.0, 26.2, 13.8, 'Cine', 0, '1.9:1', 1);
INSERT INTO FormatContainer VALUES (45, 20, '4K UHD', 1.0, 24.6, 13.8, 'Cine', 0, '1.78:1', 2);

INSERT INTO ManufactorTable VALUES (21, 'Canon', 'EOS C300 Mark III', 'Cine', 0);
INSERT INTO FormatContainer VALUES (46, 21, '4K DCI S35', 1.0, 26.2, 13.8, 'Cine', 0, '1.9:1', 1);
INSERT INTO FormatContainer VALUES (47, 21, '4K UHD', 1.0, 24.6, 13.8, 'Cine', 0, '1.78:1', 2);

INSERT INTO ManufactorTable VALUES (22, 'Canon', 'EOS C70', 'Cine', 0);
INSERT INTO FormatContainer VALUES (48, 22, '4K DCI S35', 1.0, 26.2, 13.8, 'Cine', 0, '1.9:1', 1);
INSERT INTO FormatContainer VALUES (49, 22, '4K UHD', 1.0, 24.6, 13.8, 'Cine', 0, '1.78:1', 2);

INSERT INTO ManufactorTable VALUES (23, 'Canon', 'EOS C500 Mark II', 'Cine', 0);
INSERT INTO FormatContainer VALUES (50, 23, '5.9K Full Frame', 1.0, 38.1, 20.1, 'Cine', 0, '1.9:1', 1);
INSERT INTO FormatContainer VALUES (51, 23, '4K DCI Super 35 Crop', 1.0, 26.2, 13.8, 'Cine', 0, '1.9:1', 2);

INSERT INTO ManufactorTable VALUES (24, 'Blackmagic Design', 'Cinema Camera 2.5K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (52, 24, '2.5K 16:9', 1.0, 15.81, 8.88, 'Cine', 0, '1.78:1', 1);

INSERT INTO ManufactorTable VALUES (25, 'Blackmagic Design', 'Pocket Cinema Camera', 'Cine', 0);
INSERT INTO FormatContainer VALUES (53, 25, 'HD 16:9', 1.0, 12.48, 7.02, 'Cine', 0, '1.78:1', 1);

INSERT INTO ManufactorTable VALUES (26, 'Blackmagic Design', 'Micro Cinema Camera', 'Cine', 0);
INSERT INTO FormatContainer VALUES (54, 26, 'HD 16:9', 1.0, 12.48, 7.02, 'Cine', 0, '1.78:1', 1);

INSERT INTO ManufactorTable VALUES (27, 'Blackmagic Design', 'Pocket Cinema Camera 4K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (55, 27, '4K DCI', 1.0, 18.96, 10.0, 'Cine', 0, '1.9:1', 1);

INSERT INTO ManufactorTable VALUES (28, 'Blackmagic Design', 'Pocket Cinema Camera 6K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (56, 28, '6K 16:9', 1.0, 23.1, 12.99, 'Cine', 0, '1.78:1', 1);

INSERT INTO ManufactorTable VALUES (29, 'Blackmagic Design', 'Production Camera 4K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (57, 29, '4K UHD', 1.0, 21.12, 11.88, 'Cine', 0, '1.78:1', 1);

INSERT INTO ManufactorTable VALUES (30, 'Blackmagic Design', 'URSA Mini Pro 4.6K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (58, 30, '4.6K 16:9', 1.0, 25.34, 14.25, 'Cine', 0, '1.78:1', 1);

INSERT INTO ManufactorTable VALUES (31, 'Blackmagic Design', 'URSA Mini Pro 12K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (59, 31, '12K 17:9', 1.0, 27.03, 14.25, 'Cine', 0, '1.9:1', 1);

INSERT INTO ManufactorTable VALUES (32, 'Film', '35mm', 'Cine', 0);
INSERT INTO FormatContainer VALUES (10, 32, 'Super 35 4-perf', 1.0, 24.89, 18.66, 'Cine', 0, '1.33:1', 1);
INSERT INTO FormatContainer VALUES (60, 32, 'Academy 4-perf', 1.0, 22.0, 16.0, 'Cine', 0, '1.38:1', 2);
INSERT INTO FormatContainer VALUES (61, 32, 'Scope 4-perf', 1.0, 21.95, 18.6, 'Cine', 0, '1.18:1', 3);
INSERT INTO FormatContainer VALUES (62, 32, 'Super 35 3-perf', 1.0, 24.89, 13.87, 'Cine', 0, '1.79:1', 4);
INSERT INTO FormatContainer VALUES (63, 32, 'Super 35 2-perf', 1.0, 24.89, 9.35, 'Cine', 0, '2.66:1', 5);

INSERT INTO ManufactorTable VALUES (33, 'Film', 'VistaVision', 'Cine', 0);
INSERT INTO FormatContainer VALUES (64, 33, '8-perf', 1.0, 37.72, 24.92, 'Cine', 0, '1.51:1', 1);

INSERT INTO ManufactorTable VALUES (34, 'Film', '65mm', 'Cine', 0);
INSERT INTO FormatContainer VALUES (65, 34, '5-perf', 1.0, 52.48, 23.01, 'Cine', 0, '2.28:1', 1);
INSERT INTO FormatContainer VALUES (66, 34, 'IMAX 15-perf', 1.0, 70.41, 52.63, 'Cine', 0, '1.34:1', 2);

INSERT INTO ManufactorTable VALUES (35, 'Film', '16mm', 'Cine', 0);
INSERT INTO FormatContainer VALUES (67, 35, 'Super 16', 1.0, 12.52, 7.41, 'Cine', 0, '1.69:1', 1);
INSERT INTO FormatContainer VALUES (68, 35, 'Standard 16', 1.0, 10.26, 7.49, 'Cine', 0, '1.37:1', 2);

INSERT INTO ManufactorTable VALUES (36, 'Film', 'Super 8', 'Cine', 0);
INSERT INTO FormatContainer VALUES (69, 36, 'Super 8', 1.0, 5.79, 4.01, 'Cine', 0, '1.44:1', 1);

INSERT INTO ManufactorTable VALUES (37, 'Canon', 'EOS 5D Mark IV', 'Photo', 0);
INSERT INTO FormatContainer VALUES (70, 37, 'Stills 3:2', 1.0, 36.0, 24.0, 'Photo', 0, '1.5:1', 1);

INSERT INTO ManufactorTable VALUES (38, 'Canon', 'EOS R5', 'Photo', 0);
INSERT INTO FormatContainer VALUES (71, 38, 'Stills 3:2', 1.0, 36.0, 24.0, 'Photo', 0, '1.5:1', 1);

INSERT INTO ManufactorTable VALUES (39, 'Canon', 'EOS R6', 'Photo', 0);
INSERT INTO FormatContainer VALUES (72, 39, 'Stills 3:2', 1.0, 35.9, 23.9, 'Photo', 0, '1.5:1', 1);

INSERT INTO ManufactorTable VALUES (40, 'Canon', 'EOS 90D', 'Photo', 0);
INSERT INTO FormatContainer VALUES (73, 40, 'Stills 3:2', 1.0, 22.3, 14.8, 'Photo', 0, '1.51:1', 1);

INSERT INTO ManufactorTable VALUES (41, 'Nikon', 'Z 9', 'Photo', 0);
INSERT INTO FormatContainer VALUES (74, 41, 'Stills 3:2', 1.0, 35.9, 23.9, 'Photo', 0, '1.5:1', 1);

INSERT INTO ManufactorTable VALUES (42, 'Nikon', 'Z 6II', 'Photo', 0);
INSERT INTO FormatContainer VALUES (75, 42, 'Stills 3:2', 1.0, 35.9, 23.9, 'Photo', 0, '1.5:1', 1);

INSERT INTO ManufactorTable VALUES (43, 'Nikon', 'D850', 'Photo', 0);
INSERT INTO FormatContainer VALUES (76, 43, 'Stills 3:2', 1.0, 35.9, 23.9, 'Photo', 0, '1.5:1', 1);

INSERT INTO ManufactorTable VALUES (44, 'Sony', 'Alpha 7 III', 'Photo', 0);
INSERT INTO FormatContainer VALUES (77, 44, 'Stills 3:2', 1.0, 35.6, 23.8, 'Photo', 0, '1.5:1', 1);

INSERT INTO ManufactorTable VALUES (45, 'Sony', 'Alpha 7S III', 'Photo', 0);
INSERT INTO FormatContainer VALUES (78, 45, 'Stills 3:2', 1.0, 35.6, 23.8, 'Photo', 0, '1.5:1', 1);

INSERT INTO ManufactorTable VALUES (46, 'Sony', 'Alpha 7R IV', 'Photo', 0);
INSERT INTO FormatContainer VALUES (79, 46, 'Stills 3:2', 1.0, 35.7, 23.8, 'Photo', 0, '1.5:1', 1);

INSERT INTO ManufactorTable VALUES (47, 'Sony', 'Alpha 6400', 'Photo', 0);
INSERT INTO FormatContainer VALUES (80, 47, 'Stills 3:2', 1.0, 23.5, 15.6, 'Photo', 0, '1.51:1', 1);

INSERT INTO ManufactorTable VALUES (48, 'Fujifilm', 'X-T4', 'Photo', 0);
INSERT INTO FormatContainer VALUES (81, 48, 'Stills 3:2', 1.0, 23.5, 15.6, 'Photo', 0, '1.51:1', 1);

INSERT INTO ManufactorTable VALUES (49, 'Fujifilm', 'X-H2S', 'Photo', 0);
INSERT INTO FormatContainer VALUES (82, 49, 'Stills 3:2', 1.0, 23.5, 15.6, 'Photo', 0, '1.51:1', 1);
INSERT INTO FormatContainer VALUES (1352, 49, '6.2K 3:2 Open Gate', 1.0, 23.5, 15.6, 'Photo', 0, '1.51:1', 2);

INSERT INTO ManufactorTable VALUES (50, 'Fujifilm', 'GFX100S', 'Photo', 0);
INSERT INTO FormatContainer VALUES (83, 50, 'Stills 4:3', 1.0, 43.8, 32.9, 'Photo', 0, '1.33:1', 1);

INSERT INTO ManufactorTable VALUES (51, 'Fujifilm', 'GFX 50S', 'Photo', 0);
INSERT INTO FormatContainer VALUES (84, 51, 'Stills 4:3', 1.0, 43.8, 32.9, 'Photo', 0, '1.33:1', 1);

INSERT INTO ManufactorTable VALUES (52, 'Panasonic', 'LUMIX GH5', 'Photo', 0);
INSERT INTO FormatContainer VALUES (85, 52, 'Stills 4:3', 1.0, 17.3, 13.0, 'Photo', 0, '1.33:1', 1);

INSERT INTO ManufactorTable VALUES (53, 'Panasonic', 'LUMIX GH6', 'Photo', 0);
INSERT INTO FormatContainer VALUES (86, 53, 'Stills 4:3', 1.0, 17.3, 13.0, 'Photo', 0, '1.33:1', 1);

INSERT INTO ManufactorTable VALUES (54, 'Panasonic', 'LUMIX S1H', 'Photo', 0);
INSERT INTO FormatContainer VALUES (87, 54, 'Stills 3:2', 1.0, 35.6, 23.8, 'Photo', 0, '1.5:1', 1);

INSERT INTO ManufactorTable VALUES (56, 'Hasselblad', 'X1D II 50C', 'Photo', 0);
INSERT INTO FormatContainer VALUES (89, 56, 'Stills 4:3', 1.0, 43.8, 32.9, 'Photo', 0, '1.33:1', 1);

INSERT INTO ManufactorTable VALUES (57, 'Hasselblad', 'H6D-100c', 'Photo', 0);
INSERT INTO FormatContainer VALUES (90, 57, 'Stills 4:3', 1.0, 53.4, 40.0, 'Photo', 0, '1.33:1', 1);

INSERT INTO ManufactorTable VALUES (58, 'Leica', 'SL2', 'Photo', 0);
INSERT INTO FormatContainer VALUES (91, 58, 'Stills 3:2', 1.0, 36.0, 24.0, 'Photo', 0, '1.5:1', 1);

INSERT INTO ManufactorTable VALUES (59, 'Leica', 'M11', 'Photo', 0);
INSERT INTO FormatContainer VALUES (92, 59, 'Stills 3:2', 1.0, 36.0, 24.0, 'Photo', 0, '1.5:1', 1);

INSERT INTO ManufactorTable VALUES (60, 'ARRI', 'ALEXA 265', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1085, 60, '6.5K 2.12:1 Open Gate', 1.0, 54.12, 25.58, 'Cine', 0, '2.12:1', 1);
INSERT INTO FormatContainer VALUES (1086, 60, '5.1K 1.65:1', 1.0, 42.24, 25.58, 'Cine', 0, '1.65:1', 2);
INSERT INTO FormatContainer VALUES (1087, 60, '4.5K LF 3:2', 1.0, 36.7, 25.54, 'Cine', 0, '1.44:1', 3);

INSERT INTO ManufactorTable VALUES (61, 'Sony', 'BURANO', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1109, 61, '8.6K FF 16:9', 1.0, 35.9, 20.2, 'Cine', 0, '1.78:1', 1);
INSERT INTO FormatContainer VALUES (1110, 61, '8.6K FF 17:9', 1.0, 35.9, 18.9, 'Cine', 0, '1.9:1', 2);
INSERT INTO FormatContainer VALUES (1111, 61, '6K FFc 16:9', 1.0, 33.6, 18.9, 'Cine', 0, '1.78:1', 3);
INSERT INTO FormatContainer VALUES (1112, 61, '6K FFc 17:9', 1.0, 33.6, 17.7, 'Cine', 0, '1.9:1', 4);
INSERT INTO FormatContainer VALUES (1113, 61, '3.8K FFc 16:9', 1.0, 32.0, 18.0, 'Cine', 0, '1.78:1', 5);
INSERT INTO FormatContainer VALUES (1114, 61, '5.8K S35 16:9', 1.0, 24.0, 13.5, 'Cine', 0, '1.78:1', 6);
INSERT INTO FormatContainer VALUES (1115, 61, '5.8K S35 17:9', 1.0, 24.0, 12.6, 'Cine', 0, '1.9:1', 7);
INSERT INTO FormatContainer VALUES (1116, 61, '4.3K S35 4:3', 1.0, 23.6, 17.7, 'Cine', 0, '1.33:1', 8);
INSERT INTO FormatContainer VALUES (1117, 61, '4K S35c 17:9', 1.0, 17.0, 9.0, 'Cine', 0, '1.89:1', 9);

INSERT INTO ManufactorTable VALUES (62, 'Sony', 'VENICE 2 6K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1128, 62, '6K 3:2 FF', 1.0, 35.93, 23.95, 'Cine', 0, '1.5:1', 1);
INSERT INTO FormatContainer VALUES (1129, 62, '6K 1.85:1 FF', 1.0, 35.96, 19.44, 'Cine', 0, '1.85:1', 2);
INSERT INTO FormatContainer VALUES (1130, 62, '6K 17:9 FF', 1.0, 35.96, 18.96, 'Cine', 0, '1.9:1', 3);
INSERT INTO FormatContainer VALUES (1131, 62, '6K 2.39:1 FF', 1.0, 35.93, 15.05, 'Cine', 0, '2.39:1', 4);
INSERT INTO FormatContainer VALUES (1132, 62, '5.7K 16:9 FF', 1.0, 33.7, 18.96, 'Cine', 0, '1.78:1', 5);
INSERT INTO FormatContainer VALUES (1133, 62, '4K 6:5 S35', 1.0, 24.33, 20.39, 'Cine', 0, '1.19:1', 6);
INSERT INTO FormatContainer VALUES (1134, 62, '4K 4:3 S35', 1.0, 24.33, 17.96, 'Cine', 0, '1.35:1', 7);
INSERT INTO FormatContainer VALUES (1135, 62, '4K 17:9 S35', 1.0, 24.33, 12.83, 'Cine', 0, '1.9:1', 8);
INSERT INTO FormatContainer VALUES (1136, 62, '4K 2.39:1 S35', 1.0, 24.33, 10.19, 'Cine', 0, '2.39:1', 9);
INSERT INTO FormatContainer VALUES (1137, 62, '3.8K 16:9 S35', 1.0, 22.81, 12.83, 'Cine', 0, '1.78:1', 10);

INSERT INTO ManufactorTable VALUES (63, 'Sony', 'FX9', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1146, 63, '6K FF 17:9', 1.0, 35.7, 18.8, 'Cine', 0, '1.9:1', 1);
INSERT INTO FormatContainer VALUES (1147, 63, '5K 17:9 Crop', 1.0, 29.7, 15.7, 'Cine', 0, '1.89:1', 2);
INSERT INTO FormatContainer VALUES (1148, 63, '4K S35 17:9', 1.0, 24.3, 12.8, 'Cine', 0, '1.9:1', 3);
INSERT INTO FormatContainer VALUES (1149, 63, '2K S16 17:9', 1.0, 12.2, 6.4, 'Cine', 0, '1.91:1', 4);

INSERT INTO ManufactorTable VALUES (64, 'RED', 'V-RAPTOR [X] 8K VV', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1159, 64, '8K 17:9', 1.0, 40.96, 21.6, 'Cine', 0, '1.9:1', 1);
INSERT INTO FormatContainer VALUES (1160, 64, '6K 17:9', 1.0, 30.72, 16.2, 'Cine', 0, '1.9:1', 2);

INSERT INTO ManufactorTable VALUES (65, 'Blackmagic Design', 'URSA Cine 12K LF', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1167, 65, '12K 3:2 Open Gate', 1.0, 35.6352, 23.316, 'Cine', 0, '1.53:1', 1);
INSERT INTO FormatContainer VALUES (1168, 65, '12K 16:9', 1.0, 35.6352, 20.04, 'Cine', 0, '1.78:1', 2);
INSERT INTO FormatContainer VALUES (1169, 65, '12K 17:9', 1.0, 35.6352, 18.79, 'Cine', 0, '1.9:1', 3);
INSERT INTO FormatContainer VALUES (1170, 65, '12K 2.4:1', 1.0, 35.6352, 14.82, 'Cine', 0, '2.4:1', 4);
INSERT INTO FormatContainer VALUES (1171, 65, '9.6K 6:5', 1.0, 27.98, 23.316, 'Cine', 0, '1.2:1', 5);
INSERT INTO FormatContainer VALUES (1172, 65, '9.4K S35 3:2', 1.0, 27.28, 18.16, 'Cine', 0, '1.5:1', 6);
INSERT INTO FormatContainer VALUES (1173, 65, '8.7K S35 16:9', 1.0, 25.2, 14.2, 'Cine', 0, '1.77:1', 7);
INSERT INTO FormatContainer VALUES (1174, 65, '9.3K S35 17:9', 1.0, 27.0, 14.2, 'Cine', 0, '1.9:1', 8);
INSERT INTO FormatContainer VALUES (1175, 65, '9.3K S35 2.4:1', 1.0, 27.0, 11.21, 'Cine', 0, '2.41:1', 9);
INSERT INTO FormatContainer VALUES (1176, 65, '7.7K S35 6:5', 1.0, 22.27, 18.58, 'Cine', 0, '1.2:1', 10);
INSERT INTO FormatContainer VALUES (1314, 65, '8K 3:2 Open Gate', 1.0, 35.6352, 23.316, 'Cine', 0, '1.53:1', 11);
INSERT INTO FormatContainer VALUES (1315, 65, '4K 3:2 Open Gate', 1.0, 35.6352, 23.316, 'Cine', 0, '1.53:1', 12);
INSERT INTO FormatContainer VALUES (1316, 65, '8K 16:9', 1.0, 35.6352, 20.04, 'Cine', 0, '1.78:1', 13);
INSERT INTO FormatContainer VALUES (1317, 65, '4K 16:9', 1.0, 35.6352, 20.04, 'Cine', 0, '1.78:1', 14);
INSERT INTO FormatContainer VALUES (1318, 65, '8K 17:9', 1.0, 35.6352, 18.79, 'Cine', 0, '1.9:1', 15);
INSERT INTO FormatContainer VALUES (1319, 65, '4K 17:9', 1.0, 35.6352, 18.79, 'Cine', 0, '1.9:1', 16);
INSERT INTO FormatContainer VALUES (1320, 65, '8K 2.4:1', 1.0, 35.6352, 14.82, 'Cine', 0, '2.4:1', 17);
INSERT INTO FormatContainer VALUES (1321, 65, '4K 2.4:1', 1.0, 35.6352, 14.82, 'Cine', 0, '2.4:1', 18);
INSERT INTO FormatContainer VALUES (1322, 65, '8K 6:5', 1.0, 27.98, 23.316, 'Cine', 0, '1.2:1', 19);
INSERT INTO FormatContainer VALUES (1323, 65, '4K 6:5', 1.0, 27.98, 23.316, 'Cine', 0, '1.2:1', 20);

INSERT INTO ManufactorTable VALUES (66, 'Blackmagic Design', 'URSA Cine 17K 65', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1177, 66, '17K 2.2:1 Open Gate', 1.0, 50.808, 23.316, 'Cine', 0, '2.18:1', 1);
INSERT INTO FormatContainer VALUES (1178, 66, '17K 2.4:1', 1.0, 50.808, 21.16, 'Cine', 0, '2.4:1', 2);
INSERT INTO FormatContainer VALUES (1179, 66, '16.1K 2:1', 1.0, 46.77, 23.32, 'Cine', 0, '2.01:1', 3);
INSERT INTO FormatContainer VALUES (1180, 66, '15.4K 17:9', 1.0, 44.54, 23.32, 'Cine', 0, '1.91:1', 4);
INSERT INTO FormatContainer VALUES (1181, 66, '14.3K 16:9', 1.0, 41.48, 23.32, 'Cine', 0, '1.78:1', 5);
INSERT INTO FormatContainer VALUES (1182, 66, '12K 3:2', 1.0, 35.64, 23.32, 'Cine', 0, '1.53:1', 6);
INSERT INTO FormatContainer VALUES (1183, 66, '9.6K 6:5', 1.0, 27.98, 23.32, 'Cine', 0, '1.2:1', 7);
INSERT INTO FormatContainer VALUES (1184, 66, '12K 16:9 Crop', 1.0, 35.64, 20.04, 'Cine', 0, '1.78:1', 8);
INSERT INTO FormatContainer VALUES (1185, 66, '12K 17:9 Crop', 1.0, 35.64, 18.79, 'Cine', 0, '1.9:1', 9);
INSERT INTO FormatContainer VALUES (1186, 66, '12K 2.4:1 Crop', 1.0, 35.64, 14.82, 'Cine', 0, '2.4:1', 10);
INSERT INTO FormatContainer VALUES (1324, 66, '8K 2.2:1 Open Gate', 1.0, 50.808, 23.316, 'Cine', 0, '2.18:1', 11);
INSERT INTO FormatContainer VALUES (1325, 66, '4K 2.2:1 Open Gate', 1.0, 50.808, 23.316, 'Cine', 0, '2.18:1', 12);
INSERT INTO FormatContainer VALUES (1326, 66, '8K 2:1', 1.0, 46.77, 23.32, 'Cine', 0, '2.01:1', 13);
INSERT INTO FormatContainer VALUES (1327, 66, '4K 2:1', 1.0, 46.77, 23.32, 'Cine', 0, '2.01:1', 14);
INSERT INTO FormatContainer VALUES (1328, 66, '8K 3:2', 1.0, 35.64, 23.32, 'Cine', 0, '1.53:1', 15);
INSERT INTO FormatContainer VALUES (1329, 66, '4K 3:2', 1.0, 35.64, 23.32, 'Cine', 0, '1.53:1', 16);
INSERT INTO FormatContainer VALUES (1330, 66, '8K 16:9 Crop', 1.0, 35.64, 20.04, 'Cine', 0, '1.78:1', 17);
INSERT INTO FormatContainer VALUES (1331, 66, '4K 16:9 Crop', 1.0, 35.64, 20.04, 'Cine', 0, '1.78:1', 18);
INSERT INTO FormatContainer VALUES (1332, 66, '8K 17:9 Crop', 1.0, 35.64, 18.79, 'Cine', 0, '1.9:1', 19);
INSERT INTO FormatContainer VALUES (1333, 66, '4K 17:9 Crop', 1.0, 35.64, 18.79, 'Cine', 0, '1.9:1', 20);
INSERT INTO FormatContainer VALUES (1334, 66, '8K 2.4:1 Crop', 1.0, 35.64, 14.82, 'Cine', 0, '2.4:1', 21);
INSERT INTO FormatContainer VALUES (1335, 66, '4K 2.4:1 Crop', 1.0, 35.64, 14.82, 'Cine', 0, '2.4:1', 22);

INSERT INTO ManufactorTable VALUES (67, 'Blackmagic Design', 'Cinema Camera 6K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1187, 67, '6K 3:2 Open Gate', 1.0, 36.0, 24.0, 'Cine', 0, '1.5:1', 1);
INSERT INTO FormatContainer VALUES (1189, 67, '6K 17:9', 1.0, 36.0, 19.048, 'Cine', 0, '1.89:1', 2);
INSERT INTO FormatContainer VALUES (1190, 67, '6K 2.4:1', 1.0, 36.0, 15.0, 'Cine', 0, '2.4:1', 3);
INSERT INTO FormatContainer VALUES (1191, 67, '4K 6:5', 1.0, 28.762, 24.0, 'Cine', 0, '1.2:1', 4);
INSERT INTO FormatContainer VALUES (1192, 67, '4K 17:9', 1.0, 24.381, 12.857, 'Cine', 0, '1.9:1', 5);

INSERT INTO ManufactorTable VALUES (68, 'Blackmagic Design', 'PYXIS 6K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1188, 68, '6K 3:2 Open Gate', 1.0, 36.0, 24.0, 'Cine', 0, '1.5:1', 1);
INSERT INTO FormatContainer VALUES (1193, 68, '6K 17:9', 1.0, 36.0, 19.048, 'Cine', 0, '1.89:1', 2);
INSERT INTO FormatContainer VALUES (1194, 68, '6K 2.4:1', 1.0, 36.0, 15.0, 'Cine', 0, '2.4:1', 3);
INSERT INTO FormatContainer VALUES (1195, 68, '4K 6:5', 1.0, 28.762, 24.0, 'Cine', 0, '1.2:1', 4);
INSERT INTO FormatContainer VALUES (1196, 68, '4K 17:9', 1.0, 24.381, 12.857, 'Cine', 0, '1.9:1', 5);

INSERT INTO ManufactorTable VALUES (69, 'Canon', 'EOS C400', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1197, 69, '6K FF 17:9', 1.0, 36.0, 19.0, 'Cine', 0, '1.89:1', 1);
INSERT INTO FormatContainer VALUES (1198, 69, '4.4K S35 17:9', 1.0, 26.2, 13.8, 'Cine', 0, '1.9:1', 2);
INSERT INTO FormatContainer VALUES (1199, 69, '2.2K S16 17:9', 1.0, 13.1, 6.9, 'Cine', 0, '1.9:1', 3);

INSERT INTO ManufactorTable VALUES (70, 'Canon', 'EOS C80', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1200, 70, '6K FF 17:9', 1.0, 36.0, 19.0, 'Cine', 0, '1.89:1', 1);
INSERT INTO FormatContainer VALUES (1201, 70, '3.8K FF 16:9 UHD', 1.0, 33.8, 19.0, 'Cine', 0, '1.78:1', 2);
INSERT INTO FormatContainer VALUES (1202, 70, '4.4K S35 17:9', 1.0, 26.2, 13.8, 'Cine', 0, '1.9:1', 3);
INSERT INTO FormatContainer VALUES (1203, 70, '3.8K S35 16:9 UHD', 1.0, 24.6, 13.8, 'Cine', 0, '1.78:1', 4);

INSERT INTO ManufactorTable VALUES (71, 'Canon', 'EOS C700 FF', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1204, 71, '5.9K FF 17:9', 1.0, 38.1, 20.1, 'Cine', 0, '1.9:1', 1);

INSERT INTO ManufactorTable VALUES (72, 'Panasonic', 'VariCam LT', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1205, 72, '4K S35 17:9', 1.0, 26.688, 14.184, 'Cine', 0, '1.88:1', 1);

INSERT INTO ManufactorTable VALUES (73, 'Panasonic', 'VariCam 35', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1206, 73, '4K S35 17:9', 1.0, 26.688, 14.184, 'Cine', 0, '1.88:1', 1);

INSERT INTO ManufactorTable VALUES (74, 'Panasonic', 'AU-EVA1', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1207, 74, '5.7K S35 17:9', 1.0, 24.596, 12.969, 'Cine', 0, '1.9:1', 1);
INSERT INTO FormatContainer VALUES (1208, 74, '4K 4/3 Crop 17:9', 1.0, 19.436, 10.251, 'Cine', 0, '1.9:1', 2);

INSERT INTO ManufactorTable VALUES (75, 'Nikon', 'Z 8', 'Photo', 0);
INSERT INTO FormatContainer VALUES (1209, 75, 'Stills 3:2', 1.0, 35.9, 23.9, 'Photo', 0, '1.5:1', 1);

INSERT INTO ManufactorTable VALUES (76, 'Fujifilm', 'GFX100 II', 'Photo', 0);
INSERT INTO FormatContainer VALUES (1210, 76, 'Stills 4:3', 1.0, 43.8, 32.9, 'Photo', 0, '1.33:1', 1);

INSERT INTO ManufactorTable VALUES (77, 'DJI', 'Ronin 4D Zenmuse X9-8K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1211, 77, '8K FF 17:9', 1.0, 35.68, 18.82, 'Cine', 0, '1.9:1', 1);
INSERT INTO FormatContainer VALUES (1213, 77, '8K FF 2.39:1', 1.0, 36.0, 15.06, 'Cine', 0, '2.39:1', 2);
INSERT INTO FormatContainer VALUES (1214, 77, '5.5K S35 17:9', 1.0, 24.5, 12.98, 'Cine', 0, '1.89:1', 3);
INSERT INTO FormatContainer VALUES (1220, 77, '7.7K FF 16:9', 1.0, 33.8, 19.0, 'Cine', 0, '1.78:1', 4);
INSERT INTO FormatContainer VALUES (1221, 77, '5.2K S35 16:9', 1.0, 23.1, 13.0, 'Cine', 0, '1.78:1', 5);

INSERT INTO ManufactorTable VALUES (78, 'DJI', 'Ronin 4D Zenmuse X9-6K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1212, 78, '6K FF 17:9', 1.0, 35.68, 18.82, 'Cine', 0, '1.9:1', 1);
INSERT INTO FormatContainer VALUES (1215, 78, '5.6K FF 16:9', 1.0, 33.5, 18.8, 'Cine', 0, '1.78:1', 2);
INSERT INTO FormatContainer VALUES (1216, 78, '6K FF 2.39:1', 1.0, 35.7, 14.9, 'Cine', 0, '2.4:1', 3);
INSERT INTO FormatContainer VALUES (1217, 78, '3.8K S35 16:9', 1.0, 22.8, 12.8, 'Cine', 0, '1.78:1', 4);
INSERT INTO FormatContainer VALUES (1218, 78, '4K S35 17:9', 1.0, 24.3, 12.8, 'Cine', 0, '1.9:1', 5);
INSERT INTO FormatContainer VALUES (1219, 78, '4K S35 2.39:1', 1.0, 24.3, 10.2, 'Cine', 0, '2.38:1', 6);

INSERT INTO ManufactorTable VALUES (79, 'Film', '8mm', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1222, 79, 'Standard 8', 1.0, 4.8, 3.5, 'Cine', 0, '1.37:1', 1);

INSERT INTO ManufactorTable VALUES (80, 'Fujifilm', 'GFX ETERNA 55', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1223, 80, '4K GF 4:3 Open Gate', 1.0, 43.63, 32.71, 'Cine', 0, '1.33:1', 1);
INSERT INTO FormatContainer VALUES (1224, 80, '5.8K GF 2.39:1', 1.0, 43.8, 18.32, 'Cine', 0, '2.39:1', 2);
INSERT INTO FormatContainer VALUES (1225, 80, '4K GF 17:9', 1.0, 43.63, 23.01, 'Cine', 0, '1.9:1', 3);
INSERT INTO FormatContainer VALUES (1226, 80, '4K GF 16:9', 1.0, 43.63, 24.55, 'Cine', 0, '1.78:1', 4);
INSERT INTO FormatContainer VALUES (1227, 80, '2K GF 17:9', 1.0, 43.63, 23.01, 'Cine', 0, '1.9:1', 5);
INSERT INTO FormatContainer VALUES (1228, 80, 'HD GF 16:9', 1.0, 43.63, 24.55, 'Cine', 0, '1.78:1', 6);
INSERT INTO FormatContainer VALUES (1229, 80, '5.4K Premista 17:9', 1.0, 40.91, 21.57, 'Cine', 0, '1.9:1', 7);
INSERT INTO FormatContainer VALUES (1230, 80, '4K Premista 17:9', 1.0, 40.27, 21.23, 'Cine', 0, '1.9:1', 8);
INSERT INTO FormatContainer VALUES (1231, 80, '4K Premista 16:9', 1.0, 40.27, 22.65, 'Cine', 0, '1.78:1', 9);
INSERT INTO FormatContainer VALUES (1232, 80, '2K Premista 17:9', 1.0, 40.27, 21.23, 'Cine', 0, '1.9:1', 10);
INSERT INTO FormatContainer VALUES (1233, 80, 'HD Premista 16:9', 1.0, 40.27, 22.65, 'Cine', 0, '1.78:1', 11);
INSERT INTO FormatContainer VALUES (1234, 80, '4.8K 35mm 3:2', 1.0, 35.92, 23.94, 'Cine', 0, '1.5:1', 12);
INSERT INTO FormatContainer VALUES (1235, 80, '4.8K 35mm 16:9', 1.0, 35.92, 20.21, 'Cine', 0, '1.78:1', 13);
INSERT INTO FormatContainer VALUES (1236, 80, '4K 35mm 17:9', 1.0, 35.92, 18.95, 'Cine', 0, '1.9:1', 14);
INSERT INTO FormatContainer VALUES (1237, 80, '4K 35mm 16:9', 1.0, 35.92, 20.21, 'Cine', 0, '1.78:1', 15);
INSERT INTO FormatContainer VALUES (1238, 80, '2K 35mm 17:9', 1.0, 35.92, 18.95, 'Cine', 0, '1.9:1', 16);
INSERT INTO FormatContainer VALUES (1239, 80, 'HD 35mm 16:9', 1.0, 35.92, 20.2, 'Cine', 0, '1.78:1', 17);
INSERT INTO FormatContainer VALUES (1240, 80, '8K 35mm 2.76:1 Anamorphic', 1.0, 35.07, 25.42, 'Cine', 0, '1.38:1', 18);
INSERT INTO FormatContainer VALUES (1241, 80, '8K 35mm 2.39:1 Anamorphic', 1.0, 30.38, 25.42, 'Cine', 0, '1.2:1', 19);
INSERT INTO FormatContainer VALUES (1242, 80, '4.6K 35mm 1.38:1 Anamorphic', 1.0, 35.07, 25.42, 'Cine', 0, '1.38:1', 20);
INSERT INTO FormatContainer VALUES (1243, 80, '4.6K 35mm 6:5 Anamorphic', 1.0, 30.38, 25.42, 'Cine', 0, '1.2:1', 21);
INSERT INTO FormatContainer VALUES (1244, 80, '8K 17:9', 1.0, 30.8, 16.24, 'Cine', 0, '1.9:1', 22);
INSERT INTO FormatContainer VALUES (1245, 80, '8K 16:9', 1.0, 28.88, 16.24, 'Cine', 0, '1.78:1', 23);
INSERT INTO FormatContainer VALUES (1246, 80, '6.3K S35 16:9', 1.0, 24.0, 13.5, 'Cine', 0, '1.78:1', 24);
INSERT INTO FormatContainer VALUES (1247, 80, '4K S35 17:9', 1.0, 24.0, 12.66, 'Cine', 0, '1.9:1', 25);
INSERT INTO FormatContainer VALUES (1248, 80, '4K S35 16:9', 1.0, 24.0, 13.5, 'Cine', 0, '1.78:1', 26);
INSERT INTO FormatContainer VALUES (1249, 80, '2K S35 17:9', 1.0, 24.0, 12.63, 'Cine', 0, '1.9:1', 27);
INSERT INTO FormatContainer VALUES (1250, 80, 'HD S35 16:9', 1.0, 24.0, 13.49, 'Cine', 0, '1.78:1', 28);

INSERT INTO ManufactorTable VALUES (81, 'Panavision', 'Millennium DXL2', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1251, 81, '8K 17:9', 1.0, 40.96, 21.6, 'Cine', 0, '1.9:1', 1);
INSERT INTO FormatContainer VALUES (1252, 81, '8K 2:1', 1.0, 40.96, 20.48, 'Cine', 0, '2:1', 2);
INSERT INTO FormatContainer VALUES (1253, 81, '8K 2.4:1', 1.0, 40.96, 17.28, 'Cine', 0, '2.37:1', 3);
INSERT INTO FormatContainer VALUES (1254, 81, '8K 16:9', 1.0, 38.4, 21.6, 'Cine', 0, '1.78:1', 4);
INSERT INTO FormatContainer VALUES (1255, 81, '7.5K 17:9', 1.0, 38.4, 20.4, 'Cine', 0, '1.88:1', 5);
INSERT INTO FormatContainer VALUES (1256, 81, '7.5K 2:1', 1.0, 38.4, 19.2, 'Cine', 0, '2:1', 6);
INSERT INTO FormatContainer VALUES (1257, 81, '7.5K 2.4:1', 1.0, 38.4, 16.2, 'Cine', 0, '2.37:1', 7);
INSERT INTO FormatContainer VALUES (1258, 81, '7.5K 16:9', 1.0, 36.48, 20.52, 'Cine', 0, '1.78:1', 8);
INSERT INTO FormatContainer VALUES (1259, 81, '7K 17:9', 1.0, 35.84, 18.9, 'Cine', 0, '1.9:1', 9);
INSERT INTO FormatContainer VALUES (1260, 81, '7K 2:1', 1.0, 35.84, 17.92, 'Cine', 0, '2:1', 10);
INSERT INTO FormatContainer VALUES (1261, 81, '7K 2.4:1', 1.0, 35.84, 15.12, 'Cine', 0, '2.37:1', 11);
INSERT INTO FormatContainer VALUES (1262, 81, '7K 16:9', 1.0, 33.6, 18.9, 'Cine', 0, '1.78:1', 12);
INSERT INTO FormatContainer VALUES (1263, 81, '6.5K 17:9', 1.0, 33.28, 17.68, 'Cine', 0, '1.88:1', 13);
INSERT INTO FormatContainer VALUES (1264, 81, '6.5K 2:1', 1.0, 33.28, 16.64, 'Cine', 0, '2:1', 14);
INSERT INTO FormatContainer VALUES (1265, 81, '6.5K 2.4:1', 1.0, 33.28, 14.04, 'Cine', 0, '2.37:1', 15);
INSERT INTO FormatContainer VALUES (1266, 81, '6.5K 16:9', 1.0, 30.72, 17.28, 'Cine', 0, '1.78:1', 16);
INSERT INTO FormatContainer VALUES (1267, 81, '6K 17:9', 1.0, 30.72, 16.2, 'Cine', 0, '1.9:1', 17);
INSERT INTO FormatContainer VALUES (1268, 81, '6K 2:1', 1.0, 30.72, 15.36, 'Cine', 0, '2:1', 18);
INSERT INTO FormatContainer VALUES (1269, 81, '6K 2.4:1', 1.0, 30.72, 12.96, 'Cine', 0, '2.37:1', 19);
INSERT INTO FormatContainer VALUES (1270, 81, '6K 16:9', 1.0, 28.8, 16.2, 'Cine', 0, '1.78:1', 20);
INSERT INTO FormatContainer VALUES (1271, 81, '5K 17:9', 1.0, 25.6, 13.5, 'Cine', 0, '1.9:1', 21);
INSERT INTO FormatContainer VALUES (1272, 81, '5K 2:1', 1.0, 25.6, 12.8, 'Cine', 0, '2:1', 22);
INSERT INTO FormatContainer VALUES (1273, 81, '5K 2.4:1', 1.0, 25.6, 10.8, 'Cine', 0, '2.37:1', 23);
INSERT INTO FormatContainer VALUES (1274, 81, '5K 16:9', 1.0, 24.0, 13.5, 'Cine', 0, '1.78:1', 24);
INSERT INTO FormatContainer VALUES (1275, 81, '4K 17:9', 1.0, 20.48, 10.8, 'Cine', 0, '1.9:1', 25);
INSERT INTO FormatContainer VALUES (1276, 81, '4K 2:1', 1.0, 20.48, 10.24, 'Cine', 0, '2:1', 26);
INSERT INTO FormatContainer VALUES (1277, 81, '4K 2.4:1', 1.0, 20.48, 8.64, 'Cine', 0, '2.37:1', 27);
INSERT INTO FormatContainer VALUES (1278, 81, '4K 16:9', 1.0, 19.2, 10.8, 'Cine', 0, '1.78:1', 28);
INSERT INTO FormatContainer VALUES (1279, 81, '3K 17:9', 1.0, 15.36, 8.1, 'Cine', 0, '1.9:1', 29);
INSERT INTO FormatContainer VALUES (1280, 81, '3K 2.4:1', 1.0, 15.36, 6.48, 'Cine', 0, '2.37:1', 30);
INSERT INTO FormatContainer VALUES (1281, 81, '3K 16:9', 1.0, 14.4, 8.1, 'Cine', 0, '1.78:1', 31);
INSERT INTO FormatContainer VALUES (1282, 81, '2K 17:9', 1.0, 10.24, 5.4, 'Cine', 0, '1.9:1', 32);
INSERT INTO FormatContainer VALUES (1283, 81, '2K 2.4:1', 1.0, 10.24, 4.32, 'Cine', 0, '2.37:1', 33);

INSERT INTO ManufactorTable VALUES (82, 'DJI', 'Inspire 3 Zenmuse X9-8K Air', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1284, 82, '8.1K FF 17:9', 1.0, 36.0, 19.0, 'Cine', 0, '1.89:1', 1);
INSERT INTO FormatContainer VALUES (1285, 82, '8K FF 16:9', 1.0, 33.8, 19.0, 'Cine', 0, '1.78:1', 2);
INSERT INTO FormatContainer VALUES (1286, 82, '8.1K FF 2.39:1', 1.0, 36.0, 15.06, 'Cine', 0, '2.39:1', 3);
INSERT INTO FormatContainer VALUES (1287, 82, '5.5K S35 17:9', 1.0, 24.5, 12.98, 'Cine', 0, '1.89:1', 4);
INSERT INTO FormatContainer VALUES (1288, 82, '5.2K S35 16:9', 1.0, 23.1, 12.98, 'Cine', 0, '1.78:1', 5);

INSERT INTO ManufactorTable VALUES (83, 'Canon', 'EOS C50', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1289, 83, '7K FF 3:2', 1.0, 35.9, 23.9, 'Cine', 0, '1.5:1', 1);
INSERT INTO FormatContainer VALUES (1290, 83, '7K FF 17:9', 1.0, 35.9, 18.9, 'Cine', 0, '1.9:1', 2);
INSERT INTO FormatContainer VALUES (1291, 83, '5K S35 17:9', 1.0, 26.0, 13.7, 'Cine', 0, '1.9:1', 3);
INSERT INTO FormatContainer VALUES (1292, 83, '2.5K S16 17:9', 1.0, 13.0, 6.9, 'Cine', 0, '1.88:1', 4);

INSERT INTO ManufactorTable VALUES (84, 'Blackmagic Design', 'PYXIS 12K', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1293, 84, '12K 3:2 Open Gate', 1.0, 35.64, 23.32, 'Cine', 0, '1.53:1', 1);

INSERT INTO ManufactorTable VALUES (85, 'RED', 'V-RAPTOR XE', 'Cine', 0);
INSERT INTO FormatContainer VALUES (1294, 85, '8K 17:9', 1.0, 40.96, 21.6, 'Cine', 0, '1.9:1', 1);

INSERT INTO ManufactorTable VALUES (86, 'Panasonic', 'LUMIX S5II', 'Photo', 0);
INSERT INTO FormatContainer VALUES (1313, 86, '6K 3:2 Open Gate', 1.0, 35.6, 23.8, 'Photo', 0, '1.5:1', 1);

-- Row 1 stands for "no frame guide" and for the native format (no crop). The lists name it by its id,
-- never by its size; its sort value 0 keeps it first, and its size is one that no camera or typed
-- ratio uses, so it never passes for a real ratio. It is the selected frame guide to begin with.
INSERT INTO QuorvelFrameGuide VALUES (1, 1.0, 100.0, 1, 0, 0.0);
INSERT INTO QuorvelFrameGuide VALUES (2, 9.0, 16.0, 0, 0, 0.5625);
INSERT INTO QuorvelFrameGuide VALUES (3, 4.0, 5.0, 0, 0, 0.8);
INSERT INTO QuorvelFrameGuide VALUES (4, 1.0, 1.0, 0, 0, 1.0);
INSERT INTO QuorvelFrameGuide VALUES (5, 5.0, 4.0, 0, 0, 1.25);
INSERT INTO QuorvelFrameGuide VALUES (6, 4.0, 3.0, 0, 0, 1.3333333333333333);
INSERT INTO QuorvelFrameGuide VALUES (7, 1.37, 1.0, 0, 0, 1.37);
INSERT INTO QuorvelFrameGuide VALUES (8, 1.43, 1.0, 0, 0, 1.43);
INSERT INTO QuorvelFrameGuide VALUES (9, 3.0, 2.0, 0, 0, 1.5);
INSERT INTO QuorvelFrameGuide VALUES (10, 1.66, 1.0, 0, 0, 1.66);
INSERT INTO QuorvelFrameGuide VALUES (11, 16.0, 9.0, 0, 0, 1.7777777777777777);
INSERT INTO QuorvelFrameGuide VALUES (12, 1.85, 1.0, 0, 0, 1.85);
INSERT INTO QuorvelFrameGuide VALUES (13, 1.9, 1.0, 0, 0, 1.9);
INSERT INTO QuorvelFrameGuide VALUES (14, 2.0, 1.0, 0, 0, 2.0);
INSERT INTO QuorvelFrameGuide VALUES (15, 2.2, 1.0, 0, 0, 2.2);
INSERT INTO QuorvelFrameGuide VALUES (16, 2.35, 1.0, 0, 0, 2.35);
INSERT INTO QuorvelFrameGuide VALUES (17, 2.39, 1.0, 0, 0, 2.39);
INSERT INTO QuorvelFrameGuide VALUES (18, 2.4, 1.0, 0, 0, 2.4);
INSERT INTO QuorvelFrameGuide VALUES (19, 2.55, 1.0, 0, 0, 2.55);
INSERT INTO QuorvelFrameGuide VALUES (20, 2.76, 1.0, 0, 0, 2.76);
